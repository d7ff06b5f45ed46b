// An engine header that includes Qt: the boundary refuses it.
#pragma once
#include <QString>
