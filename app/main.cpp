#include "app/MediaApp.h"
#include "camera/CameraDriver.h"

int main(int argc, char** argv) { return MediaApp::Run(argc, argv, TeskDllDriver()); }
