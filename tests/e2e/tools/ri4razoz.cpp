// A stand-in for the base product's set-up utility, placed in a test destination. It shows
// nothing; it records how it was started (its command line and working directory) in
// "ri4razoz-run.txt" beside itself, so a test can check what the setup program passed.

#include <windows.h>

#include <string>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    char module_path[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, module_path, MAX_PATH);
    std::string record_path = module_path;
    record_path = record_path.substr(0, record_path.find_last_of('\\') + 1) + "ri4razoz-run.txt";

    char working_directory[MAX_PATH] = {};
    GetCurrentDirectoryA(MAX_PATH, working_directory);
    const std::string record = std::string("command line: ") + GetCommandLineA() +
                               "\r\nworking directory: " + working_directory + "\r\n";

    HANDLE file = CreateFileA(record_path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                              nullptr);
    if (file == INVALID_HANDLE_VALUE) return 1;
    DWORD written = 0;
    const BOOL ok = WriteFile(file, record.data(), static_cast<DWORD>(record.size()), &written, nullptr);
    CloseHandle(file);
    return ok && written == record.size() ? 0 : 1;
}
