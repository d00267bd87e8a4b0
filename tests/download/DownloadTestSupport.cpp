#include "DownloadTestSupport.h"

#include <filesystem>
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

unsigned long FailingCopies::Copy(const std::wstring& from, const std::wstring& to) {
  if (error == 0) return CopyServices::Copy(from, to);
  if (!halfWay || CopyServices::Copy(from, to) != 0) return error;
  std::error_code ignored;
  std::filesystem::resize_file(to, std::filesystem::file_size(to, ignored) / 2, ignored);
  return error;
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
  form = std::make_unique<TPixorraMainForm>(PointerServices::System(), &taskbar, copies);
  form->SavePathLabel.SetText(root);
  // Wide enough for any end of a run: what fits is the font's business, and
  // the cut has a check of its own.
  SetWindowPos(form->UrlLabel.Handle(), nullptr, 0, 0, 4000, 20, SWP_NOMOVE | SWP_NOZORDER);
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
