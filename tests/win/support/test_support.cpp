#include "test_support.h"

#include <commctrl.h>
#include <gtest/gtest.h>
#include <sql.h>
#include <sqlext.h>

#include <stdexcept>

#include "platform/encoding_win.h"
#include "platform/program_folder_win.h"
#include "platform/scoped_win.h"

std::wstring TestEnv(const wchar_t* name) {
  wchar_t buffer[4096];
  const DWORD length = GetEnvironmentVariableW(name, buffer, 4096);
  return length > 0 && length < 4096 ? std::wstring(buffer, length) : std::wstring();
}

bool PrepareWindowThread() {
  static const bool prepared = [] {
    INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_PROGRESS_CLASS | ICC_STANDARD_CLASSES};
    InitCommonControlsEx(&controls);
    return SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED));
  }();
  return prepared;
}

void PumpFor(DWORD milliseconds) {
  const DWORD start = GetTickCount();
  do {
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&message);
      DispatchMessageW(&message);
    }
    Sleep(10);
  } while (GetTickCount() - start < milliseconds);
}

ScratchFolder::ScratchFolder() {
  std::wstring base = TestEnv(L"ZEFRA_TEST_SCRATCH_WIN");
  if (base.empty()) {
    wchar_t temp[MAX_PATH];
    GetTempPathW(MAX_PATH, temp);
    base = temp;
    if (!base.empty() && base.back() == L'\\') base.pop_back();
  }
  static unsigned counter = 0;
  for (;;) {
    path_ = base + L"\\t" + std::to_wstring(GetCurrentProcessId()) + L"-" + std::to_wstring(++counter);
    if (CreateDirectoryW(path_.c_str(), nullptr)) return;
    if (GetLastError() != ERROR_ALREADY_EXISTS) throw std::runtime_error("cannot create a scratch folder");
  }
}

ScratchFolder::~ScratchFolder() { RemoveTree(path_); }

void RemoveTree(const std::wstring& path) {
  WIN32_FIND_DATAW entry;
  UniqueFind find(FindFirstFileW((path + L"\\*").c_str(), &entry));
  if (find) {
    do {
      const std::wstring name = entry.cFileName;
      if (name == L"." || name == L"..") continue;
      const std::wstring child = path + L"\\" + name;
      SetFileAttributesW(child.c_str(), FILE_ATTRIBUTE_NORMAL);
      if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
        RemoveTree(child);
      } else {
        DeleteFileW(child.c_str());
      }
    } while (FindNextFileW(find.get(), &entry));
  }
  RemoveDirectoryW(path.c_str());
}

bool FileExists(const std::wstring& path) {
  const DWORD attributes = GetFileAttributesW(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

std::string ReadBytes(const std::wstring& path) {
  UniqueFile file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                              OPEN_EXISTING, 0, nullptr));
  if (!file) throw std::runtime_error("cannot open a file to read");
  std::string bytes;
  char buffer[65536];
  DWORD got = 0;
  while (ReadFile(file.get(), buffer, sizeof buffer, &got, nullptr) && got > 0) bytes.append(buffer, got);
  return bytes;
}

void WriteBytes(const std::wstring& path, const std::string& bytes) {
  UniqueFile file(CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
  if (!file) throw std::runtime_error("cannot create a file");
  DWORD written = 0;
  if (!WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) ||
      written != bytes.size()) {
    throw std::runtime_error("cannot write a file");
  }
}

HeldOpenFile::HeldOpenFile(const std::wstring& path)
    : handle_(CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_ALWAYS, 0, nullptr)) {
  if (handle_ == INVALID_HANDLE_VALUE) throw std::runtime_error("cannot hold a file open");
}

HeldOpenFile::~HeldOpenFile() { CloseHandle(handle_); }

std::string PatternBytes(size_t size, const char* head) {
  std::string bytes(size, '\0');
  for (size_t i = 0; i < size; ++i) bytes[i] = static_cast<char>((i * 7 + i / 251) & 0xFF);
  for (size_t i = 0; head[i] != '\0' && i < size; ++i) bytes[i] = head[i];
  return bytes;
}

bool RunningUnderWine() {
  const HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
  return ntdll != nullptr && GetProcAddress(ntdll, "wine_get_version") != nullptr;
}

std::map<std::wstring, std::string> FolderContents(const std::wstring& folder) {
  std::map<std::wstring, std::string> contents;
  std::vector<std::wstring> pending{L""};
  while (!pending.empty()) {
    const std::wstring relative = pending.back();
    pending.pop_back();
    const std::wstring base = relative.empty() ? folder : folder + L"\\" + relative;
    WIN32_FIND_DATAW found{};
    UniqueFind search(FindFirstFileW((base + L"\\*").c_str(), &found));
    if (!search) continue;
    do {
      const std::wstring name = found.cFileName;
      if (name == L"." || name == L"..") continue;
      const std::wstring path = relative.empty() ? name : relative + L"\\" + name;
      if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
        pending.push_back(path);
        contents[path + L"\\"] = "";
      } else {
        contents[path] = ReadBytes(folder + L"\\" + path);
      }
    } while (FindNextFileW(search.get(), &found));
  }
  return contents;
}

std::vector<std::wstring> FolderNames(const std::wstring& folder) {
  std::vector<std::wstring> names;
  for (const auto& [name, bytes] : FolderContents(folder)) names.push_back(name);
  return names;
}

void WriteSettingsFile(const std::wstring& folder, const std::wstring& server, const std::wstring& port,
                       const std::wstring& driver) {
  WriteBytes(folder + L"\\ayar.xml", "<ayar><baglanti><s>" + ToUtf8(server) + "</s><p>" + ToUtf8(port) +
                                         "</p><d>" + ToUtf8(driver) +
                                         "</d></baglanti><mod><m>1</m></mod></ayar>");
}

std::vector<std::wstring> LogMessagesOf(const std::wstring& logPath) {
  const std::wstring text = FileExists(logPath) ? FromAnsi(ReadBytes(logPath)) : std::wstring();
  std::vector<std::wstring> messages;
  for (size_t start = 0; start < text.size();) {
    const size_t end = text.find(L"\r\n", start);
    EXPECT_NE(end, std::wstring::npos) << "every line ends in CR LF";
    if (end == std::wstring::npos) break;
    const std::wstring line = text.substr(start, end - start);
    EXPECT_GE(line.size(), 20u);
    if (line.size() < 20) break;
    EXPECT_EQ(line[4], L'-');
    EXPECT_EQ(line[10], L' ');
    EXPECT_EQ(line[19], L' ');
    messages.push_back(line.substr(20));
    start = end + 2;
  }
  return messages;
}

namespace {

// The administrator's connection; the statement handle is closed with it.
class AdminConnection {
 public:
  AdminConnection() {
    SQLAllocHandle(SQL_HANDLE_ENV, SQL_NULL_HANDLE, &env_);
    SQLSetEnvAttr(env_, SQL_ATTR_ODBC_VERSION, reinterpret_cast<SQLPOINTER>(SQL_OV_ODBC3), 0);
    SQLAllocHandle(SQL_HANDLE_DBC, env_, &dbc_);
    std::wstring text = L"Driver={MySQL ODBC 8.0 Unicode Driver};Server=127.0.0.1;Port=" +
                        TestEnv(L"ZEFRA_TEST_DB_PORT") + L";User=" + TestEnv(L"ZEFRA_TEST_DB_ADMIN_USER") +
                        L";Password=" + TestEnv(L"ZEFRA_TEST_DB_ADMIN_PASSWORD") +
                        L";Charset=utf8mb4;Option=67108864";  // Option: several statements in one call
    Check(SQLDriverConnectW(dbc_, nullptr, reinterpret_cast<SQLWCHAR*>(text.data()), SQL_NTS, nullptr, 0,
                            nullptr, SQL_DRIVER_NOPROMPT),
          SQL_HANDLE_DBC, dbc_);
    SQLAllocHandle(SQL_HANDLE_STMT, dbc_, &stmt_);
  }
  ~AdminConnection() {
    if (stmt_) SQLFreeHandle(SQL_HANDLE_STMT, stmt_);
    SQLDisconnect(dbc_);
    SQLFreeHandle(SQL_HANDLE_DBC, dbc_);
    SQLFreeHandle(SQL_HANDLE_ENV, env_);
  }

  void Execute(std::wstring sql) {
    Check(SQLExecDirectW(stmt_, reinterpret_cast<SQLWCHAR*>(sql.data()), SQL_NTS), SQL_HANDLE_STMT, stmt_);
    // Drain every result of a multi-statement batch.
    while (SQLMoreResults(stmt_) == SQL_SUCCESS) {
    }
    SQLFreeStmt(stmt_, SQL_CLOSE);
  }

  std::wstring Scalar(std::wstring sql) {
    Check(SQLExecDirectW(stmt_, reinterpret_cast<SQLWCHAR*>(sql.data()), SQL_NTS), SQL_HANDLE_STMT, stmt_);
    std::wstring value;
    if (SQL_SUCCEEDED(SQLFetch(stmt_))) {
      wchar_t buffer[1024] = {};
      SQLLEN indicator = 0;
      SQLGetData(stmt_, 1, SQL_C_WCHAR, buffer, sizeof buffer, &indicator);
      if (indicator != SQL_NULL_DATA) value = buffer;
    }
    SQLFreeStmt(stmt_, SQL_CLOSE);
    return value;
  }

 private:
  static void Check(SQLRETURN result, SQLSMALLINT type, SQLHANDLE handle) {
    if (SQL_SUCCEEDED(result) || result == SQL_NO_DATA) return;
    SQLWCHAR state[6] = {}, message[1024] = {};
    SQLINTEGER native = 0;
    SQLSMALLINT length = 0;
    SQLGetDiagRecW(type, handle, 1, state, &native, message, 1024, &length);
    throw std::runtime_error("SQL failed: " + ToUtf8(reinterpret_cast<wchar_t*>(message)));
  }

  SQLHENV env_ = nullptr;
  SQLHDBC dbc_ = nullptr;
  SQLHSTMT stmt_ = nullptr;
};

}  // namespace

void ExecuteSql(const std::wstring& statements) { AdminConnection().Execute(statements); }

std::wstring QueryScalar(const std::wstring& query) { return AdminConnection().Scalar(query); }

void RestoreStandardManifest() {
  // The schema file lies beside the test sources; Wine reaches it through drive Z:.
  std::wstring source = L"Z:" + FromUtf8(__FILE__);
  for (auto& c : source) {
    if (c == L'/') c = L'\\';
  }
  const std::wstring schema = source.substr(0, source.rfind(L"\\win\\")) + L"\\fixtures\\schema.sql";
  ExecuteSql(L"DROP TABLE IF EXISTS ovantis.tblayar; DROP TABLE IF EXISTS ovantis.tblayar_away; " +
             FromUtf8(ReadBytes(schema)));
}

std::wstring HelperProgramPath(const std::wstring& fileName) { return ProgramFolder() + L"\\" + fileName; }

namespace {

struct WindowSearch {
  DWORD processId;
  std::vector<HWND> found;
};

BOOL CALLBACK CollectWindowOf(HWND window, LPARAM parameter) {
  auto* search = reinterpret_cast<WindowSearch*>(parameter);
  DWORD owner = 0;
  GetWindowThreadProcessId(window, &owner);
  if (owner == search->processId) search->found.push_back(window);
  return TRUE;
}

}  // namespace

std::vector<HWND> TopLevelWindowsOf(DWORD processId) {
  WindowSearch search{processId, {}};
  EnumWindows(CollectWindowOf, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

StartedProgram::StartedProgram(const std::wstring& program, const std::wstring& arguments) {
  std::wstring commandLine = L"\"" + program + L"\" " + arguments;
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION info{};
  if (!CreateProcessW(program.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                      &startup, &info)) {
    throw std::runtime_error("cannot start a helper program");
  }
  CloseHandle(info.hThread);
  process_ = info.hProcess;
  id_ = info.dwProcessId;
}

StartedProgram::~StartedProgram() {
  if (!HasEnded()) {
    TerminateProcess(process_, 1);
    WaitForSingleObject(process_, 10000);
  }
  CloseHandle(process_);
}

bool StartedProgram::HasEnded(DWORD waitMs) const {
  return WaitForSingleObject(process_, waitMs) == WAIT_OBJECT_0;
}

DWORD StartedProgram::ExitCode() const {
  DWORD code = 0;
  GetExitCodeProcess(process_, &code);
  return code;
}

HWND StartedProgram::WaitForWindow(const std::wstring& title, DWORD timeoutMs) const {
  const ULONGLONG deadline = GetTickCount64() + timeoutMs;
  do {
    for (HWND window : TopLevelWindowsOf(id_)) {
      wchar_t text[1024] = {};
      GetWindowTextW(window, text, 1024);
      if (title == text) return window;
    }
  } while (!HasEnded(50) && GetTickCount64() < deadline);
  return nullptr;
}
