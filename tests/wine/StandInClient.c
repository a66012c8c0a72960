/* A small Windows stand-in for the Orvo client, built with mingw-w64 and run under Wine.
 *
 * Built as the client (orvo.exe): holds the named mutex "Global\ORVO6_Global_Mutex", shows a
 * top-level window titled "ORVO" and lists in it the commands the handler logged. A second
 * start without "MultiInstance" ends at once while the first runs; with "MultiInstance" it opens
 * one more window. Every start is logged to "started.log" beside the program: its working
 * folder and command line. "/hidden" keeps the window hidden (a client minimised to the tray).
 *
 * Built with -DSTANDIN_HANDLER (orvo-handler.exe): the handler of the "orvo:" URL scheme,
 * which appends the command it is given to "commands.log" beside the program and ends.
 */
#include <windows.h>

#include <string.h>
#include <wchar.h>

#define LOG_LIMIT 4096

static void besideProgram(const wchar_t* name, wchar_t* path, DWORD capacity)
{
    DWORD length = GetModuleFileNameW(NULL, path, capacity);
    while (length > 0 && path[length - 1] != L'\\') {
        --length;
    }
    path[length] = 0;
    wcsncat(path, name, capacity - length - 1);
}

static void appendLine(const wchar_t* fileName, const wchar_t* text)
{
    wchar_t path[MAX_PATH];
    besideProgram(fileName, path, MAX_PATH);
    char utf8[LOG_LIMIT];
    int bytes = WideCharToMultiByte(CP_UTF8, 0, text, -1, utf8, LOG_LIMIT - 2, NULL, NULL);
    if (bytes <= 0) {
        return;
    }
    utf8[bytes - 1] = '\n';
    /* Several processes may log at once: open, append and close for each line. */
    for (int attempt = 0; attempt < 50; ++attempt) {
        HANDLE file = CreateFileW(path, FILE_APPEND_DATA, FILE_SHARE_READ, NULL, OPEN_ALWAYS,
                                  FILE_ATTRIBUTE_NORMAL, NULL);
        if (file != INVALID_HANDLE_VALUE) {
            DWORD written = 0;
            WriteFile(file, utf8, (DWORD)bytes, &written, NULL);
            CloseHandle(file);
            return;
        }
        Sleep(20);
    }
}

#ifdef STANDIN_HANDLER

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE previous, PWSTR commandLine, int show)
{
    (void)instance;
    (void)previous;
    (void)show;
    int count = 0;
    wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &count);
    appendLine(L"commands.log", count > 1 ? argv[1] : commandLine);
    LocalFree(argv);
    return 0;
}

#else

#define ID_COMMANDS 100
#define ID_TIMER 1

/* The handler's log, shown in the window so that the commands can be seen arriving. */
static void showCommands(HWND window)
{
    wchar_t path[MAX_PATH];
    besideProgram(L"commands.log", path, MAX_PATH);
    char bytes[LOG_LIMIT] = "";
    DWORD used = 0;
    HANDLE file = CreateFileW(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, NULL,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, NULL);
    if (file != INVALID_HANDLE_VALUE) {
        ReadFile(file, bytes, LOG_LIMIT - 1, &used, NULL);
        CloseHandle(file);
    }
    bytes[used] = 0;
    wchar_t text[LOG_LIMIT * 2] = L"Commands received:\r\n";
    size_t head = wcslen(text);
    /* One command a line; the edit control wants CR LF. */
    for (DWORD i = 0; i < used && head + 2 < LOG_LIMIT * 2; ++i) {
        if (bytes[i] == '\n') {
            text[head++] = L'\r';
        }
        text[head++] = (wchar_t)(unsigned char)bytes[i];
    }
    text[head] = 0;
    wchar_t current[LOG_LIMIT * 2];
    GetDlgItemTextW(window, ID_COMMANDS, current, LOG_LIMIT * 2);
    if (wcscmp(current, text) != 0) {
        SetDlgItemTextW(window, ID_COMMANDS, text);
    }
}

static LRESULT CALLBACK windowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_CREATE:
        CreateWindowExW(0, L"EDIT", L"",
                        WS_CHILD | WS_VISIBLE | WS_VSCROLL | ES_MULTILINE | ES_READONLY, 8, 8, 360,
                        200, window, (HMENU)ID_COMMANDS, NULL, NULL);
        SetTimer(window, ID_TIMER, 300, NULL);
        showCommands(window);
        return 0;
    case WM_TIMER:
        showCommands(window);
        return 0;
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    default:
        return DefWindowProcW(window, message, wParam, lParam);
    }
}

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE previous, PWSTR commandLine, int show)
{
    (void)previous;
    wchar_t line[LOG_LIMIT];
    wchar_t folder[MAX_PATH] = L"";
    GetCurrentDirectoryW(MAX_PATH, folder);
    swprintf(line, LOG_LIMIT, L"cwd=%ls args=%ls", folder, commandLine);
    appendLine(L"started.log", line);

    const BOOL second = wcsstr(commandLine, L"MultiInstance") != NULL;
    const BOOL hidden = wcsstr(commandLine, L"/hidden") != NULL;
    HANDLE mutex = CreateMutexW(NULL, FALSE, L"Global\\ORVO6_Global_Mutex");
    if (mutex && GetLastError() == ERROR_ALREADY_EXISTS && !second) {
        CloseHandle(mutex);
        return 0; /* the one client already runs */
    }

    WNDCLASSW windowClass = {0};
    windowClass.lpfnWndProc = windowProc;
    windowClass.hInstance = instance;
    windowClass.hCursor = LoadCursorW(NULL, (LPCWSTR)IDC_ARROW);
    windowClass.hbrBackground = (HBRUSH)(COLOR_WINDOW + 1);
    windowClass.lpszClassName = L"OrvoStandIn";
    RegisterClassW(&windowClass);
    HWND window = CreateWindowExW(0, L"OrvoStandIn", L"ORVO", WS_OVERLAPPEDWINDOW, CW_USEDEFAULT,
                                  CW_USEDEFAULT, 392, 260, NULL, NULL, instance, NULL);
    if (!window) {
        return 1;
    }
    if (!hidden) {
        ShowWindow(window, show);
    }
    MSG message;
    while (GetMessageW(&message, NULL, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    if (mutex) {
        CloseHandle(mutex);
    }
    return 0;
}

#endif
