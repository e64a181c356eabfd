// orin-cam's file commands over the same file-operation code as the window:
// get, put, rm, mkdir, rename and format. The flags answer the questions the
// window would ask.
#pragma once
#include <cstdio>
#include <string>
#include <vector>

class CameraDriver;
class CameraUi;

int RunGet(CameraDriver& driver, CameraUi& ui, const std::vector<std::string>& args, std::FILE* out);
int RunPut(CameraDriver& driver, CameraUi& ui, const std::vector<std::string>& args, std::FILE* out);
int RunRm(CameraDriver& driver, CameraUi& ui, const std::vector<std::string>& args, std::FILE* out);
int RunMkdir(CameraDriver& driver, CameraUi& ui, const std::vector<std::string>& args, std::FILE* out);
int RunRename(CameraDriver& driver, CameraUi& ui, const std::vector<std::string>& args, std::FILE* out);
int RunFormat(CameraDriver& driver, CameraUi& ui, const std::vector<std::string>& args, std::FILE* out);
