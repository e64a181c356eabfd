// The application object: refuses a second instance, loads the optional
// resource override, runs the main window modally and releases everything at
// the end, whichever way the program ends.
#pragma once

class CameraDriver;

class MediaApp {
 public:
  // Runs the whole program; returns the process's exit status.
  static int Run(int argc, char** argv, CameraDriver& driver);

 private:
  static void Exit(CameraDriver& driver);
};

// The load mask of the imaging support, used alike at start and exit.
constexpr unsigned kImagingMask = 0x0FBF7FFF;
