#pragma once
// The outcome of a command, one of four kinds:
//   Done       it did what was asked;
//   Warned     it did what was asked and its results are right, but the input was doubtful
//              or partly ignored: the notices say how;
//   Cancelled  a question was declined and nothing changed;
//   Failed     there is no trustworthy result: the message says why.
// Handlers record it as they decide it; each front end reads it after the action and shows it
// its own way: the window has shown the boxes already (their icon follows from the kind), the
// command line and the script player turn it into an exit status (0, 0, 0, 1) and standard
// error. Nothing reads a message box's icon to guess it.

#include <string>
#include <vector>

namespace quantorial {

enum class OutcomeKind { Done, Warned, Cancelled, Failed };

// The kind's word, as the command line and the tests print it.
inline const char* OutcomeKindName(OutcomeKind kind) {
  switch (kind) {
    case OutcomeKind::Done:
      return "done";
    case OutcomeKind::Warned:
      return "warned";
    case OutcomeKind::Cancelled:
      return "cancelled";
    case OutcomeKind::Failed:
      return "failed";
  }
  return "failed";
}

struct Outcome {
  OutcomeKind kind = OutcomeKind::Done;
  std::string message;               // a failure's message (the first one told)
  std::vector<std::string> notices;  // what the command warned about its inputs
  bool told = true;                  // whether the window told the failure (else the front ends say it)
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
  void Fail(const std::string& message, bool told = true) {
    ++failuresTold_;
    if (current_.kind == OutcomeKind::Failed) return;
    current_.kind = OutcomeKind::Failed;
    current_.message = message;
    current_.told = told;
  }
  // A question declined: the command stopped without doing anything (unless it had done
  // something before, or failed).
  void Cancel() {
    if (current_.kind == OutcomeKind::Done) current_.kind = OutcomeKind::Cancelled;
  }
  // Results computed through doubtful input: the notices say what was doubtful. A failure
  // stands over them; something done stands over a question declined.
  void Warn(const std::vector<std::string>& notices) {
    if (notices.empty()) return;
    current_.notices.insert(current_.notices.end(), notices.begin(), notices.end());
    if (current_.kind != OutcomeKind::Failed) current_.kind = OutcomeKind::Warned;
  }
  const Outcome& Current() const { return current_; }
  // Every failure told so far, in any action: a handler compares the count before and after
  // a step to learn whether that step failed.
  long long FailuresTold() const { return failuresTold_; }

 private:
  Outcome current_;
  long long failuresTold_ = 0;
  int depth_ = 0;
};

}  // namespace quantorial
