// The application's delegate: the shell does no work at launch or at the end, and closing the
// window ends the program.
#pragma once

namespace ptz {

class AppDelegate {
  public:
    void applicationDidFinishLaunching() {}
    void applicationWillTerminate() {}
    bool applicationShouldTerminateAfterLastWindowClosed() const { return true; }
};

}  // namespace ptz
