// The platform services of the update run on Windows.
#pragma once

#include "update/downloader_win.h"
#include "update/update_run.h"

class WindowsUpdateServices : public UpdateServices {
 public:
  explicit WindowsUpdateServices(DownloadOptions options = {}) : options_(std::move(options)) {}

  // DOSYA_INDIR, logging through the window, showing it the body's progress and letting it
  // repaint between body chunks.
  bool Download(const std::wstring& url, const std::wstring& destination, int64_t& bytes,
                std::wstring& details, UpdateRunWindow& window) override;
  bool FileExists(const std::wstring& path) override;
  void StartProgram(const std::wstring& path) override;
  void EndProcess() override;
  std::wstring ThousandsSeparator() override;

 private:
  DownloadOptions options_;
};
