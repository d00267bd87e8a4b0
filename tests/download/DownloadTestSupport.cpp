#include "DownloadTestSupport.h"

#include <fstream>
#include <set>
#include <sstream>

#include "Application.h"
#include "ProgressReports.h"
#include "TemporaryFile.h"

std::string ReadWholeFile(const std::string& path) {
  std::ifstream file(path.c_str(), std::ios::binary);
  std::stringstream content;
  content << file.rdbuf();
  return content.str();
}

bool FileExists(const std::string& path) {
  const DWORD attributes = GetFileAttributesA(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

std::size_t ImagesIn(const std::string& folder) {
  const std::multiset<std::string> files = testsupport::FilesIn(folder);
  return std::set<std::string>(files.begin(), files.end()).size();
}

void DownloadTest::SetUp() {
  static int counter = 0;
  const std::string unique = std::to_string(GetCurrentProcessId()) + "-" + std::to_string(GetTickCount64()) + "-" +
                             std::to_string(++counter);
  prefix = "/run-" + unique + "/";
  char temp[MAX_PATH] = {};
  GetTempPathA(MAX_PATH, temp);
  root = std::string(temp) + "pixorra-" + unique + "\\";
  CreateDirectoryA(root.c_str(), nullptr);
  form = std::make_unique<TPixorraMainForm>(PointerServices::System(), &taskbar);
  form->SavePathLabel.SetText(root);
}

void DownloadTest::TearDown() {
  form.reset();
  ProgressCallback.Attach(nullptr);
}

std::string DownloadTest::ServeImage(const std::string& name, TestHttpAnswer answer) {
  server.Serve(prefix + name, std::move(answer));
  return server.Origin() + prefix + name;
}

std::string DownloadTest::ServeImage(const std::string& name, const std::string& body) {
  TestHttpAnswer answer;
  answer.body = body;
  return ServeImage(name, answer);
}

std::string DownloadTest::PathOf(const std::string& address) const {
  return address.substr(server.Origin().size());
}

std::string DownloadTest::Folder(const std::string& name) const {
  const std::string folder = root + name + "\\";
  CreateDirectoryA(folder.c_str(), nullptr);
  return folder;
}
