// Start-up time of the program: from just before its process is created to
// its main window being shown, and to its message loop waiting for input.
// Run under Wine with a warm wineserver (tools/wine-env.sh start first).
//   startup_bench [runs]
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

double milliseconds(LARGE_INTEGER from, LARGE_INTEGER to) {
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    return double(to.QuadPart - from.QuadPart) * 1000.0 / double(frequency.QuadPart);
}

LARGE_INTEGER now() {
    LARGE_INTEGER counter;
    QueryPerformanceCounter(&counter);
    return counter;
}

std::wstring programPath() {
    wchar_t self[MAX_PATH];
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    std::wstring path(self);
    return path.substr(0, path.find_last_of(L"\\/") + 1) + MORVA_PROGRAM_FROM_BENCH;
}

struct search {
    DWORD process;
    HWND found;
};

BOOL CALLBACK matchMainWindow(HWND handle, LPARAM data) {
    auto* wanted = reinterpret_cast<search*>(data);
    DWORD owner = 0;
    GetWindowThreadProcessId(handle, &owner);
    wchar_t className[32] = {};
    GetClassNameW(handle, className, 32);
    if (owner == wanted->process && std::wstring(className) == L"MORVATOOL2" &&
        IsWindowVisible(handle)) {
        wanted->found = handle;
        return FALSE;
    }
    return TRUE;
}

struct startup {
    double shown;
    double idle;
};

bool measureOnce(const std::wstring& path, startup& result) {
    STARTUPINFOW info = {};
    info.cb = sizeof info;
    PROCESS_INFORMATION process = {};
    std::wstring commandLine = L"\"" + path + L"\"";
    const LARGE_INTEGER start = now();
    if (!CreateProcessW(path.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                        nullptr, &info, &process)) {
        std::fprintf(stderr, "cannot start %ls: error %lu\n", path.c_str(), GetLastError());
        return false;
    }
    search wanted{process.dwProcessId, nullptr};
    while (milliseconds(start, now()) < 30000) {
        EnumWindows(matchMainWindow, reinterpret_cast<LPARAM>(&wanted));
        if (wanted.found || WaitForSingleObject(process.hProcess, 1) == WAIT_OBJECT_0) break;
    }
    result.shown = milliseconds(start, now());
    WaitForInputIdle(process.hProcess, 30000);
    result.idle = milliseconds(start, now());
    if (wanted.found) PostMessageW(wanted.found, WM_COMMAND, 105, 0);
    if (WaitForSingleObject(process.hProcess, 30000) != WAIT_OBJECT_0)
        TerminateProcess(process.hProcess, 1);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return wanted.found != nullptr;
}

}  // namespace

int main(int argc, char** argv) {
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 10;
    const std::wstring path = programPath();
    std::vector<double> shown, idle;
    for (int run = 0; run < runs; ++run) {
        startup result{};
        if (!measureOnce(path, result)) {
            std::fprintf(stderr, "run %d: the main window did not appear\n", run + 1);
            return 1;
        }
        std::printf("run %2d: window shown %7.1f ms, waiting for input %7.1f ms\n", run + 1,
                    result.shown, result.idle);
        shown.push_back(result.shown);
        idle.push_back(result.idle);
    }
    std::sort(shown.begin(), shown.end());
    std::sort(idle.begin(), idle.end());
    std::printf("window shown: median %.1f ms, worst %.1f ms (target < 1000 ms)\n",
                shown[shown.size() / 2], shown.back());
    std::printf("waiting for input: median %.1f ms, worst %.1f ms\n", idle[idle.size() / 2],
                idle.back());
    return shown.back() < 1000.0 ? 0 : 2;
}
