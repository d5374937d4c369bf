#include "RequirementsWindow.h"

#include <windows.h>

#include <cstdio>
#include <cwchar>

namespace {

std::wstring Format(const std::wstring& format, int value)
{
    wchar_t text[512];
    _snwprintf(text, 511, format.c_str(), value);
    text[511] = 0;
    return text;
}

std::wstring Detected(const std::wstring& text, bool failing)
{
    return failing ? text + L" (*)" : text;
}

const wchar_t kOwnerClass[] = L"REQERR_MAIN_WND";
const int kButtonId = IDOK;
const int kFirstLineId = 1000;

struct DialogState {
    const std::wstring* caption;
    const std::vector<DialogLine>* lines;
    const std::wstring* button;
    int width, height;
    HFONT table, heading;
};

void AlignWord(std::vector<WORD>& words)
{
    if (words.size() % 2)
        words.push_back(0);
}

// An empty dialog box template; the controls are made in WM_INITDIALOG.
std::vector<WORD> EmptyTemplate()
{
    std::vector<WORD> words(sizeof(DLGTEMPLATE) / sizeof(WORD), 0);
    DLGTEMPLATE* header = reinterpret_cast<DLGTEMPLATE*>(words.data());
    header->style = DS_MODALFRAME | DS_CENTER | WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_SETFOREGROUND;
    words.push_back(0); // no menu
    words.push_back(0); // default class
    words.push_back(0); // no title (set later)
    AlignWord(words);
    return words;
}

INT_PTR CALLBACK DialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    DialogState* state = reinterpret_cast<DialogState*>(GetWindowLongPtrW(dialog, DWLP_USER));
    switch (message) {
    case WM_INITDIALOG: {
        state = reinterpret_cast<DialogState*>(lParam);
        SetWindowLongPtrW(dialog, DWLP_USER, reinterpret_cast<LONG_PTR>(state));
        SetWindowTextW(dialog, state->caption->c_str());
        RECT frame = {0, 0, state->width, state->height};
        AdjustWindowRect(&frame, WS_POPUP | WS_CAPTION | WS_SYSMENU, FALSE);
        SetWindowPos(dialog, nullptr, 0, 0, frame.right - frame.left, frame.bottom - frame.top,
                     SWP_NOMOVE | SWP_NOZORDER);
        int id = kFirstLineId;
        for (const DialogLine& line : *state->lines) {
            HWND control = CreateWindowExW(0, L"STATIC", line.text.c_str(), WS_CHILD | WS_VISIBLE | SS_LEFT, line.x,
                                           line.y, line.width, line.height, dialog,
                                           reinterpret_cast<HMENU>(static_cast<INT_PTR>(id++)), nullptr, nullptr);
            SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(line.heading ? state->heading : state->table),
                         FALSE);
        }
        HWND button = CreateWindowExW(0, L"BUTTON", state->button->c_str(), WS_CHILD | WS_VISIBLE | BS_DEFPUSHBUTTON,
                                      state->width - 110, state->height - 40, 90, 26, dialog,
                                      reinterpret_cast<HMENU>(static_cast<INT_PTR>(kButtonId)), nullptr, nullptr);
        SendMessageW(button, WM_SETFONT, reinterpret_cast<WPARAM>(state->table), FALSE);
        return TRUE;
    }
    case WM_CTLCOLORSTATIC: {
        int id = GetDlgCtrlID(reinterpret_cast<HWND>(lParam)) - kFirstLineId;
        if (state && id >= 0 && id < int(state->lines->size())) {
            HDC dc = reinterpret_cast<HDC>(wParam);
            SetTextColor(dc, (*state->lines)[id].red ? 0x0000FF : 0x000000);
            SetBkMode(dc, TRANSPARENT);
            return reinterpret_cast<INT_PTR>(GetSysColorBrush(COLOR_BTNFACE));
        }
        return FALSE;
    }
    case WM_COMMAND:
        if (LOWORD(wParam) == kButtonId || LOWORD(wParam) == IDCANCEL) {
            EndDialog(dialog, LOWORD(wParam));
            return TRUE;
        }
        return FALSE;
    case WM_CLOSE:
        EndDialog(dialog, IDCANCEL);
        return TRUE;
    }
    return FALSE;
}

} // namespace

std::vector<RequirementRow> RequirementRows(const RequirementTexts& texts, const RequirementFacts& facts,
                                            const RequirementFlags& flags, const std::wstring& processorName,
                                            const std::wstring& osName)
{
    std::wstring speed = Format(L" - %d MHz", int(facts.processorMhz));
    return {
        {texts.processor, Format(texts.processorMinimum, REQ_MIN_PROCESSOR_MHZ),
         Detected(processorName + speed, flags.processor), flags.processor},
        {texts.memory, Format(texts.memoryValue, REQ_MIN_MEMORY_MB),
         Detected(Format(texts.memoryValue, int(BytesToMb(facts.totalMemoryBytes))), flags.memory), flags.memory},
        {texts.disk, Format(texts.diskValue, REQ_MIN_DISK_MB),
         Detected(Format(texts.diskValue, int(BytesToMb(facts.freeDiskBytes))), flags.disk), flags.disk},
        {texts.operatingSystem, texts.supportedSystems, Detected(osName, flags.os || flags.servicePack),
         flags.os || flags.servicePack},
        {texts.browser, Format(texts.browserMinimum, REQ_MIN_BROWSER_MAJOR),
         Detected(Format(texts.browserValue, facts.browserMajor < 0 ? 0 : facts.browserMajor), flags.browser),
         flags.browser},
    };
}

void ShowLinesDialog(const std::wstring& caption, const std::vector<DialogLine>& lines, const std::wstring& button,
                     int width, int height)
{
    HINSTANCE instance = GetModuleHandleW(nullptr);
    WNDCLASSW ownerClass = {};
    ownerClass.lpfnWndProc = DefWindowProcW;
    ownerClass.hInstance = instance;
    ownerClass.lpszClassName = kOwnerClass;
    RegisterClassW(&ownerClass); // a second registration fails harmlessly
    HWND owner = CreateWindowExW(0, kOwnerClass, caption.c_str(), WS_OVERLAPPED, 0, 0, 0, 0, nullptr, nullptr,
                                 instance, nullptr);
    DialogState state = {&caption, &lines, &button, width, height,
                         CreateFontW(-13, 0, 0, 0, FW_NORMAL, 0, 0, 0, DEFAULT_CHARSET, 0, 0, 0, 0, L"Verdana"),
                         CreateFontW(-18, 0, 0, 0, FW_BOLD, 0, 0, 0, DEFAULT_CHARSET, 0, 0, 0, 0, L"Verdana")};
    std::vector<WORD> dialogTemplate = EmptyTemplate();
    DialogBoxIndirectParamW(instance, reinterpret_cast<LPCDLGTEMPLATEW>(dialogTemplate.data()), owner, DialogProc,
                            reinterpret_cast<LPARAM>(&state));
    if (owner)
        DestroyWindow(owner);
    DeleteObject(state.table);
    DeleteObject(state.heading);
}

void ShowRequirementsWindow(const RequirementTexts& texts, const std::vector<RequirementRow>& rows)
{
    const int width = 720, left = 20, labelWidth = 150, columnWidth = 260;
    std::vector<DialogLine> lines;
    lines.push_back({texts.statement, left, 16, width - 2 * left, 40, true, false});
    lines.push_back({texts.minimumHeading, left + labelWidth, 64, columnWidth, 24, true, false});
    lines.push_back({texts.detectedHeading, left + labelWidth + columnWidth, 64, columnWidth, 24, true, false});
    int y = 96;
    for (const RequirementRow& row : rows) {
        int height = row.minimum.size() > 60 ? 110 : 34;
        lines.push_back({row.label, left, y, labelWidth, height, false, false});
        lines.push_back({row.minimum, left + labelWidth, y, columnWidth - 10, height, false, false});
        lines.push_back({row.detected, left + labelWidth + columnWidth, y, columnWidth, height, false, row.failing});
        y += height;
    }
    lines.push_back({texts.footnote, left, y + 8, width - 2 * left, 20, false, true});
    ShowLinesDialog(texts.caption, lines, texts.button, width, y + 80);
}
