#include "params/host.h"

namespace tps {

const char* MsgKindName(MsgKind k) {
  switch (k) {
    case MsgKind::Warning: return "warning";
    case MsgKind::Error: return "error";
    case MsgKind::Information: return "information";
  }
  return "";
}

}  // namespace tps
