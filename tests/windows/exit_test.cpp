// How the program ends: the Exit command, the close box and Alt+F4 all end
// the message loop with exit code 0, in the test process and in the real
// program, without asking about unsaved changes.
#include "tests/windows/appfixture.h"

#include <gtest/gtest.h>

#include <string>

namespace {

enum class ending { exitCommand, closeBox, altF4 };

std::string nameOf(const ::testing::TestParamInfo<ending>& info) {
    switch (info.param) {
    case ending::exitCommand: return "ExitCommand";
    case ending::closeBox: return "CloseBox";
    case ending::altF4: return "AltF4";
    }
    return "";
}

// Posts what the user's action sends to the main window.
void end(HWND main, ending how) {
    switch (how) {
    case ending::exitCommand:
        PostMessageW(main, WM_COMMAND, IDM_EXIT, 0);
        break;
    case ending::closeBox:
        PostMessageW(main, WM_SYSCOMMAND, SC_CLOSE, 0);
        break;
    case ending::altF4:
        // F4 while Alt is held: the system turns it into the Close command.
        PostMessageW(main, WM_SYSKEYDOWN, VK_F4, 1 | LPARAM(KF_ALTDOWN) << 16);
        break;
    }
}

class Ending : public AppTest, public ::testing::WithParamInterface<ending> {};

TEST_P(Ending, TheLoopEndsWithZeroAndDiscardsUnsavedChanges) {
    startApp(true, true);
    app->newFile = numberedStore(5);
    app->modified = true;
    app->updateTitle();
    pump();  // nothing of earlier tests may be waiting, a quit message least of all
    end(handle(), GetParam());
    // A loop that does not end by itself fails the test instead of hanging it.
    const UINT_PTR guard =
        SetTimer(nullptr, 0, 10000, [](HWND, UINT, UINT_PTR, DWORD) { PostQuitMessage(99); });
    EXPECT_EQ(app->run(), 0);
    KillTimer(nullptr, guard);
    EXPECT_EQ(mainWindow().hwnd, nullptr);
    app->shutdown();
    EXPECT_EQ(app->newFile, nullptr);
}

INSTANTIATE_TEST_SUITE_P(Program, Ending,
                         ::testing::Values(ending::exitCommand, ending::closeBox, ending::altF4),
                         nameOf);

// The real program in a process of its own.
class program {
public:
    program() {
        wchar_t self[MAX_PATH];
        GetModuleFileNameW(nullptr, self, MAX_PATH);
        std::wstring path(self);
        path = path.substr(0, path.find_last_of(L"\\/") + 1) + MORVA_PROGRAM_FROM_TESTS;
        STARTUPINFOW startup = {};
        startup.cb = sizeof startup;
        std::wstring commandLine = L"\"" + path + L"\"";
        if (!CreateProcessW(path.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                            nullptr, &startup, &info)) {
            ADD_FAILURE() << "cannot start the program, error " << GetLastError();
            return;
        }
        WaitForInputIdle(info.hProcess, 30000);
        main = findMainWindow();
    }
    ~program() {
        if (!info.hProcess) return;
        if (WaitForSingleObject(info.hProcess, 0) == WAIT_TIMEOUT) TerminateProcess(info.hProcess, 99);
        CloseHandle(info.hThread);
        CloseHandle(info.hProcess);
    }

    // The exit code, or none when the program is still running after 30 s.
    DWORD exitCode() {
        if (WaitForSingleObject(info.hProcess, 30000) != WAIT_OBJECT_0) return STILL_ACTIVE;
        DWORD code = STILL_ACTIVE;
        GetExitCodeProcess(info.hProcess, &code);
        return code;
    }

    HWND main = nullptr;

private:
    HWND findMainWindow() {
        struct search {
            DWORD process;
            HWND found;
        } wanted{info.dwProcessId, nullptr};
        for (int attempt = 0; attempt < 300 && !wanted.found; ++attempt) {
            EnumWindows(
                [](HWND handle, LPARAM data) {
                    auto* s = reinterpret_cast<search*>(data);
                    DWORD owner = 0;
                    GetWindowThreadProcessId(handle, &owner);
                    wchar_t className[32] = {};
                    GetClassNameW(handle, className, 32);
                    if (owner == s->process && std::wstring(className) == L"MORVATOOL2" &&
                        IsWindowVisible(handle)) {
                        s->found = handle;
                    }
                    return s->found ? FALSE : TRUE;
                },
                reinterpret_cast<LPARAM>(&wanted));
            if (!wanted.found) Sleep(100);
        }
        return wanted.found;
    }

    PROCESS_INFORMATION info = {};
};

class RealProgram : public ::testing::TestWithParam<ending> {};

TEST_P(RealProgram, ExitsWithZero) {
    program morva;
    ASSERT_NE(morva.main, nullptr);
    EXPECT_EQ(windowText(morva.main), baseTitle);
    end(morva.main, GetParam());
    EXPECT_EQ(morva.exitCode(), 0u);
}

INSTANTIATE_TEST_SUITE_P(Program, RealProgram,
                         ::testing::Values(ending::exitCommand, ending::closeBox, ending::altF4),
                         nameOf);

}  // namespace
