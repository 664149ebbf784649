#pragma once
// The outcome of a command: done, cancelled by the person, or failed with its message, and
// the notices a command that was done gave about its inputs. Handlers record it as they
// decide it (a failure where they tell what went wrong, a cancel where a question was
// declined); each front end reads it after the action and shows it its own way: the window
// has shown the boxes already, the command line and the script player turn it into an
// exit status and standard error. Nothing reads a message box's icon to guess it.

#include <string>
#include <vector>

namespace quantorial {

enum class OutcomeKind { Done, Cancelled, Failed };

struct Outcome {
  OutcomeKind kind = OutcomeKind::Done;
  std::string message;               // a failure's message (the first one told)
  std::vector<std::string> notices;  // what the command noted about its inputs
  bool Failed() const { return kind == OutcomeKind::Failed; }
};

// Collects the outcome of the action being carried out. An action that runs another one (a
// dialog's button pressed while its command runs) adds to the outer action's outcome: only
// the outermost action starts a new one.
class OutcomeLog {
 public:
  // Marks an action's span: the outermost one starts a fresh outcome.
  class Scope {
   public:
    explicit Scope(OutcomeLog& log) : log_(log) {
      if (log_.depth_++ == 0) log_.current_ = Outcome();
    }
    ~Scope() { --log_.depth_; }
    Scope(const Scope&) = delete;
    Scope& operator=(const Scope&) = delete;

   private:
    OutcomeLog& log_;
  };

  // A failure: the first message is kept, and it stands whatever else happens.
  void Fail(const std::string& message) {
    if (current_.kind == OutcomeKind::Failed) return;
    current_.kind = OutcomeKind::Failed;
    current_.message = message;
  }
  // A question declined: the command stopped without doing anything (unless it failed).
  void Cancel() {
    if (current_.kind == OutcomeKind::Done) current_.kind = OutcomeKind::Cancelled;
  }
  void Note(const std::vector<std::string>& notices) {
    current_.notices.insert(current_.notices.end(), notices.begin(), notices.end());
  }
  const Outcome& Current() const { return current_; }

 private:
  Outcome current_;
  int depth_ = 0;
};

}  // namespace quantorial
