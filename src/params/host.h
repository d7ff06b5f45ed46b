// The engine's one window to its host. The engine never shows anything
// itself: it asks the host to show a message, to process pending window
// events once per step, and tells it what changed so the windows can show the
// state again. The Qt window implements this with real dialogs; the command
// line runner and the tests use RecordingHost.
#pragma once

#include <string>
#include <vector>

namespace tps {

enum class MsgKind { Warning, Error, Information };
enum class MsgButtons { Ok, OkCancel, Cancel };

// What the engine changed in the state, so the UI can refresh that area.
enum class Changed {
  Trains,    // the train set and its two lists
  Fields,    // Params fields (edit fields, voltages, speed recommendation)
  Labels,    // scheme caption, loss value, counters
  Picture,   // the scheme picture and the train pictures
  Controls,  // enabled/visible state of buttons and fields
  Clock,     // the step counter and the model-time field
};

class IHost {
 public:
  virtual ~IHost() = default;
  // Shows a message box of the kind with the exact text; returns true when
  // the user answered OK (always true for an OK-only box).
  virtual bool ShowMessage(MsgKind kind, const std::string& text,
                           MsgButtons buttons = MsgButtons::Ok) = 0;
  // Processes the pending window events (the once-per-step pump).
  virtual void ProcessEvents() {}
  // Tells the UI that part of the state changed.
  virtual void Notify(Changed) {}
};

struct RecordedMessage {
  MsgKind kind;
  std::string text;
  MsgButtons buttons;
};

// Keeps every message in order; answers OK/Cancel questions with `answer`.
class RecordingHost : public IHost {
 public:
  bool ShowMessage(MsgKind kind, const std::string& text, MsgButtons buttons) override {
    messages.push_back({kind, text, buttons});
    return answer;
  }
  void ProcessEvents() override { ++pumps; }
  void Notify(Changed c) override { notes.push_back(c); }

  std::vector<RecordedMessage> messages;
  std::vector<Changed> notes;
  int pumps = 0;
  bool answer = true;
};

const char* MsgKindName(MsgKind k);

}  // namespace tps
