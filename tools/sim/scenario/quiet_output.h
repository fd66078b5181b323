#pragma once

namespace simtool {

// While one lives, the process's standard output goes nowhere: the plug-in's
// own log lines (a kept key changed in a reloaded file, ...) are many in runs
// whose output is the tool's report, and say nothing there. Standard output
// comes back as it was when it ends.
class QuietStandardOutput {
  public:
    QuietStandardOutput();
    ~QuietStandardOutput();
    QuietStandardOutput(const QuietStandardOutput&) = delete;
    QuietStandardOutput& operator=(const QuietStandardOutput&) = delete;

  private:
    int saved_;
};

} // namespace simtool
