#include "ui/win32/win32_window.h"

#include <commctrl.h>

#include <algorithm>
#include <vector>

#include "card/boot_sector.h"
#include "search/captions.h"
#include "ui/form/form_controls.h"
#include "ui/win32/caption_fit.h"
#include "ui/win32/control_ids.h"
#include "ui/win32/wide_text.h"

namespace kvx {

namespace {

constexpr wchar_t kWindowClass[] = L"KvxRescueForm1";
constexpr int kStopButtonId = 99;
// The Stop button's width in twips; the progress bar takes a fifth of the bar.
constexpr int kStopWidthTwips = 1200;
// The point size the control table was drawn for.
constexpr int kFontPoints = 8;
constexpr DWORD kWindowStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;

struct NativeControl {
  const wchar_t* window_class;
  DWORD style;
  DWORD extended_style;
};

NativeControl NativeControlFor(ControlKind kind) {
  switch (kind) {
    case ControlKind::kFrame: return {L"BUTTON", BS_GROUPBOX, 0};
    case ControlKind::kTextBox: return {L"EDIT", ES_AUTOHSCROLL | WS_TABSTOP, WS_EX_CLIENTEDGE};
    case ControlKind::kButton: return {L"BUTTON", BS_PUSHBUTTON | WS_TABSTOP, 0};
    case ControlKind::kListBox:
      return {L"LISTBOX",
              LBS_EXTENDEDSEL | LBS_NOTIFY | LBS_NOINTEGRALHEIGHT | WS_VSCROLL | WS_TABSTOP,
              WS_EX_CLIENTEDGE};
    // A card name may hold "&": shown as it is, never as a mnemonic.
    case ControlKind::kLabel: return {L"STATIC", SS_LEFT | SS_NOPREFIX, 0};
    case ControlKind::kOptionButton: return {L"BUTTON", BS_AUTORADIOBUTTON | WS_TABSTOP, 0};
  }
  return {};
}

// The window's resolution where the system tells it per window (Windows 10
// and later), else the system's.
int DpiOf(HWND window) {
  using GetDpiForWindowFunction = UINT(WINAPI*)(HWND);
  static auto get_dpi = reinterpret_cast<GetDpiForWindowFunction>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"user32.dll"), "GetDpiForWindow")));
  if (get_dpi != nullptr) {
    if (UINT dpi = get_dpi(window); dpi != 0) return static_cast<int>(dpi);
  }
  HDC screen = GetDC(nullptr);
  int dpi = GetDeviceCaps(screen, LOGPIXELSY);
  ReleaseDC(nullptr, screen);
  return dpi;
}

// The first icon the program carries, or the system's default icon.
HICON ProgramIcon(HINSTANCE instance) {
  LPWSTR first = nullptr;
  EnumResourceNamesW(
      instance, RT_GROUP_ICON,
      [](HMODULE, LPCWSTR, LPWSTR name, LONG_PTR found) -> BOOL {
        *reinterpret_cast<LPWSTR*>(found) = name;
        return FALSE;
      },
      reinterpret_cast<LONG_PTR>(&first));
  HICON icon = first != nullptr ? LoadIconW(instance, first) : nullptr;
  return icon != nullptr ? icon : LoadIconW(nullptr, reinterpret_cast<LPCWSTR>(IDI_APPLICATION));
}

void RegisterWindowClass(HINSTANCE instance, WNDPROC procedure) {
  WNDCLASSEXW window_class{};
  if (GetClassInfoExW(instance, kWindowClass, &window_class)) return;
  window_class.cbSize = sizeof(window_class);
  window_class.lpfnWndProc = procedure;
  window_class.hInstance = instance;
  window_class.hIcon = ProgramIcon(instance);
  window_class.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
  window_class.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  window_class.lpszClassName = kWindowClass;
  RegisterClassExW(&window_class);
}

std::string WindowText(HWND control) {
  std::wstring text(static_cast<std::size_t>(GetWindowTextLengthW(control)) + 1, L'\0');
  text.resize(static_cast<std::size_t>(GetWindowTextW(control, text.data(),
                                                      static_cast<int>(text.size()))));
  return Utf8Text(text);
}

void SetWindowTextUtf8(HWND control, const std::string& text) {
  SetWindowTextW(control, WideText(text).c_str());
}

// Every caption of the table at `dpi`, and for Label2 the longest report a
// card gives, with the room each has.
std::vector<CaptionRoom> CaptionRooms(int dpi) {
  std::vector<CaptionRoom> rooms;
  for (const FormControl& control : Form1Controls()) {
    std::string text = control.caption;
    if (std::string_view(control.name) == "Label2") {
      BootSectorFields fields{"ZENTOXC0", 128, 2, 512};
      text = CardReport(fields, CardGenerationOf(fields));
    }
    if (control.kind == ControlKind::kTextBox || control.kind == ControlKind::kListBox ||
        text.empty()) {
      continue;
    }
    rooms.push_back({control.kind, TwipsToPixels(control.twips.width, dpi),
                     TwipsToPixels(control.twips.height, dpi), WideText(text)});
  }
  return rooms;
}

}  // namespace

Win32Window::Win32Window(Dialogs& dialogs, Platform& platform, bool quit_when_closed)
    : dialogs_(dialogs), platform_(platform), quit_when_closed_(quit_when_closed) {
  HINSTANCE instance = GetModuleHandleW(nullptr);
  RegisterWindowClass(instance, &Win32Window::WindowProcedure);
  window_ = CreateWindowExW(0, kWindowClass, WideText(kWindowCaption).c_str(), kWindowStyle,
                            CW_USEDEFAULT, CW_USEDEFAULT, 0, 0, nullptr, nullptr, instance, this);
  dpi_ = DpiOf(window_);
  CreateControls();
  CreateStatusBar();
  AddSystemMenuItem();
  Layout();
  status_ = std::make_unique<ActionStatus>(static_cast<StatusBarView&>(*this));
  form_ = std::make_unique<Form1>(*this, dialogs_, platform_, *status_);
  form_->Form_Load();
}

Win32Window::~Win32Window() {
  SetBusyPointer(false);
  if (window_ != nullptr) DestroyWindow(window_);
  if (font_ != nullptr) DeleteObject(font_);
}

void Win32Window::CreateControls() {
  // Created in tab order: the order in which Tab and the arrow keys move.
  std::vector<const FormControl*> order;
  for (const FormControl& control : Form1Controls()) order.push_back(&control);
  std::stable_sort(order.begin(), order.end(), [](const FormControl* a, const FormControl* b) {
    return a->tab_index < b->tab_index;
  });
  ControlKind previous_kind = ControlKind::kFrame;
  for (const FormControl* control : order) {
    NativeControl native = NativeControlFor(control->kind);
    DWORD style = WS_CHILD | native.style | (control->visible ? WS_VISIBLE : 0) |
                  (control->enabled ? 0 : WS_DISABLED);
    // Option buttons next to each other are one group; every other control
    // starts a group of its own.
    bool joins_group = control->kind == ControlKind::kOptionButton &&
                       previous_kind == ControlKind::kOptionButton;
    if (!joins_group) style |= WS_GROUP;
    previous_kind = control->kind;
    HWND handle = CreateWindowExW(
        native.extended_style, native.window_class, WideText(control->caption).c_str(), style, 0,
        0, 0, 0, window_, reinterpret_cast<HMENU>(static_cast<INT_PTR>(ControlId(*control))),
        GetModuleHandleW(nullptr), nullptr);
    if (control->selected) SendMessageW(handle, BM_SETCHECK, BST_CHECKED, 0);
    controls_.emplace(control->name, handle);
  }
  SetWindowSubclass(Control("Text2"), &Win32Window::Text2Procedure, 0,
                    reinterpret_cast<DWORD_PTR>(this));
}

void Win32Window::CreateStatusBar() {
  INITCOMMONCONTROLSEX classes{sizeof(classes), ICC_BAR_CLASSES | ICC_PROGRESS_CLASS};
  InitCommonControlsEx(&classes);
  HINSTANCE instance = GetModuleHandleW(nullptr);
  status_bar_ = CreateWindowExW(0, STATUSCLASSNAMEW, L"", WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN,
                                0, 0, 0, 0, window_, nullptr, instance, nullptr);
  progress_ = CreateWindowExW(0, PROGRESS_CLASSW, L"", WS_CHILD, 0, 0, 0, 0, status_bar_, nullptr,
                              instance, nullptr);
  SendMessageW(progress_, PBM_SETRANGE32, 0, 1000);
  stop_button_ = CreateWindowExW(
      0, L"BUTTON", L"Stop", WS_CHILD | WS_VISIBLE | WS_DISABLED | BS_PUSHBUTTON, 0, 0, 0, 0,
      status_bar_, reinterpret_cast<HMENU>(static_cast<INT_PTR>(kStopButtonId)), instance, nullptr);
  SetWindowSubclass(status_bar_, &Win32Window::StatusBarProcedure, 0,
                    reinterpret_cast<DWORD_PTR>(this));
  failure_icon_ = static_cast<HICON>(LoadImageW(nullptr, reinterpret_cast<LPCWSTR>(IDI_ERROR),
                                                IMAGE_ICON, GetSystemMetrics(SM_CXSMICON),
                                                GetSystemMetrics(SM_CYSMICON), LR_SHARED));
}

int Win32Window::LayoutStatusBar(HFONT font) {
  SendMessageW(status_bar_, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
  SendMessageW(stop_button_, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
  // The bar takes its height from its font and sits at the client area's foot.
  SendMessageW(status_bar_, WM_SIZE, 0, 0);
  const int width = TwipsToPixels(kClientWidthTwips, dpi_);
  const int stop_width = TwipsToPixels(kStopWidthTwips, dpi_);
  int parts[] = {width - width / 5 - stop_width, width - stop_width, -1};
  SendMessageW(status_bar_, SB_SETPARTS, std::size(parts), reinterpret_cast<LPARAM>(parts));
  RECT part;
  SendMessageW(status_bar_, SB_GETRECT, 1, reinterpret_cast<LPARAM>(&part));
  MoveWindow(progress_, part.left + 2, part.top + 2, part.right - part.left - 4,
             part.bottom - part.top - 4, TRUE);
  SendMessageW(status_bar_, SB_GETRECT, 2, reinterpret_cast<LPARAM>(&part));
  MoveWindow(stop_button_, part.left + 1, part.top + 1, part.right - part.left - 2,
             part.bottom - part.top - 2, TRUE);
  RECT bar;
  GetWindowRect(status_bar_, &bar);
  return bar.bottom - bar.top;
}

void Win32Window::Layout() {
  NONCLIENTMETRICSW metrics{};
  metrics.cbSize = sizeof(metrics);
  SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof(metrics), &metrics, 0);
  LOGFONTW face = metrics.lfMessageFont;
  face.lfHeight = -MulDiv(kFontPoints, dpi_, 72);
  face.lfWidth = 0;
  HFONT font = FontFittingCaptions(CaptionRooms(dpi_), face, dpi_);

  // The form's area, and the status bar under it.
  const int width = TwipsToPixels(kClientWidthTwips, dpi_);
  const int height = TwipsToPixels(kClientHeightTwips, dpi_) + LayoutStatusBar(font);
  RECT frame{0, 0, width, height};
  AdjustWindowRectEx(&frame, kWindowStyle, FALSE, 0);
  SetWindowPos(window_, nullptr, 0, 0, frame.right - frame.left, frame.bottom - frame.top,
               SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  // AdjustWindowRectEx reckons the frame at the system's resolution; the
  // client area is what must have the table's size, so it is measured.
  RECT client;
  GetClientRect(window_, &client);
  SetWindowPos(window_, nullptr, 0, 0, frame.right - frame.left + width - client.right,
               frame.bottom - frame.top + height - client.bottom,
               SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  LayoutStatusBar(font);

  for (const FormControl& control : Form1Controls()) {
    TwipsRect place = PlaceInWindow(control);
    HWND handle = Control(control.name);
    SetWindowPos(handle, nullptr, TwipsToPixels(place.left, dpi_), TwipsToPixels(place.top, dpi_),
                 TwipsToPixels(place.width, dpi_), TwipsToPixels(place.height, dpi_),
                 SWP_NOZORDER | SWP_NOACTIVATE);
    SendMessageW(handle, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
  }
  if (font_ != nullptr) DeleteObject(font_);
  font_ = font;
}

void Win32Window::Show(int show_command) {
  ShowWindow(window_, show_command);
  UpdateWindow(window_);
  SetFocus(Control("Text1"));
}

HWND Win32Window::Control(std::string_view name) const {
  auto found = controls_.find(name);
  return found == controls_.end() ? nullptr : found->second;
}

LRESULT CALLBACK Win32Window::WindowProcedure(HWND window, UINT message, WPARAM w, LPARAM l) {
  if (message == WM_NCCREATE) {
    auto* self = static_cast<Win32Window*>(reinterpret_cast<CREATESTRUCTW*>(l)->lpCreateParams);
    self->window_ = window;
    SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
  }
  auto* self = reinterpret_cast<Win32Window*>(GetWindowLongPtrW(window, GWLP_USERDATA));
  return self != nullptr ? self->Handle(window, message, w, l) : DefWindowProcW(window, message, w, l);
}

LRESULT CALLBACK Win32Window::Text2Procedure(HWND edit, UINT message, WPARAM w, LPARAM l,
                                             UINT_PTR, DWORD_PTR self) {
  if (message == WM_LBUTTONDBLCLK) {
    reinterpret_cast<Win32Window*>(self)->form_->Text2_DblClick();
    return 0;
  }
  return DefSubclassProc(edit, message, w, l);
}

// The Stop button is the bar's child: its click reaches the window this way.
LRESULT CALLBACK Win32Window::StatusBarProcedure(HWND bar, UINT message, WPARAM w, LPARAM l,
                                                 UINT_PTR, DWORD_PTR self) {
  if (message == WM_COMMAND) {
    return reinterpret_cast<Win32Window*>(self)->Handle(GetParent(bar), message, w, l);
  }
  return DefSubclassProc(bar, message, w, l);
}

LRESULT Win32Window::Handle(HWND window, UINT message, WPARAM w, LPARAM l) {
  switch (message) {
    case WM_COMMAND:
      OnCommand(LOWORD(w), HIWORD(w));
      return 0;
    case WM_SYSCOMMAND:
      if ((w & 0xFFF0) == kImageCardCommand) {
        form_->ImageCard_Click();
        return 0;
      }
      break;
    case WM_SETCURSOR:
      if (busy_) {
        SetCursor(LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_WAIT)));
        return TRUE;
      }
      break;
    case WM_DPICHANGED: {
      // The window keeps the place the system suggests and takes the size
      // the table gives at the new resolution.
      const RECT* suggested = reinterpret_cast<const RECT*>(l);
      dpi_ = LOWORD(w);
      SetWindowPos(window, nullptr, suggested->left, suggested->top, 0, 0,
                   SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
      Layout();
      return 0;
    }
    case WM_CLOSE:
      if (form_ && !form_->Form_QueryUnload()) return 0;
      DestroyWindow(window);
      return 0;
    case WM_DESTROY:
      form_->Form_Unload();
      window_ = nullptr;
      if (quit_when_closed_) PostQuitMessage(0);
      return 0;
    default: break;
  }
  return DefWindowProcW(window, message, w, l);
}

void Win32Window::OnCommand(int id, int notification) {
  if (!form_) return;
  if (id == ControlId(Form1Control("Text1")) && notification == EN_CHANGE) form_->Text1_Change();
  if (notification != BN_CLICKED) return;
  if (id == kStopButtonId) status_->RequestStop();
  static constexpr std::pair<const char*, void (Form1::*)()> kHandlers[] = {
      {"Command1", &Form1::Command1_Click}, {"Command2", &Form1::Command2_Click},
      {"Command3", &Form1::Command3_Click}, {"Command4", &Form1::Command4_Click},
      {"Command5", &Form1::Command5_Click}, {"Option1", &Form1::Option1_Click},
      {"Option2", &Form1::Option2_Click},
  };
  for (const auto& [name, handler] : kHandlers) {
    if (ControlId(Form1Control(name)) == id) (form_.get()->*handler)();
  }
}

void Win32Window::AddSystemMenuItem() {
  HMENU menu = GetSystemMenu(window_, FALSE);
  AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
  const std::string item = std::string(kImageCardMenuItem) + "\t" + kImageCardShortcut;
  AppendMenuW(menu, MF_STRING, kImageCardCommand, WideText(item).c_str());
}

bool Win32Window::RunShortcut(const MSG& message) {
  const bool ours = message.hwnd == window_ || IsChild(window_, message.hwnd);
  if (!ours || message.message != WM_KEYDOWN || message.wParam != 'I' ||
      GetKeyState(VK_CONTROL) >= 0 || GetKeyState(VK_MENU) < 0) {
    return false;
  }
  form_->ImageCard_Click();
  return true;
}

std::string Win32Window::Text1() const { return WindowText(Control("Text1")); }

std::string Win32Window::Text2() const { return WindowText(Control("Text2")); }

void Win32Window::SetText2(const std::string& text) { SetWindowTextUtf8(Control("Text2"), text); }

void Win32Window::CloseWindow() { PostMessageW(window_, WM_CLOSE, 0, 0); }

void Win32Window::SetCaption(Label label, const std::string& caption) {
  const char* name = label == Label::Label1 ? "Label1" : label == Label::Label2 ? "Label2" : "Label3";
  SetWindowTextUtf8(Control(name), caption);
}

void Win32Window::ClearList() { SendMessageW(Control("List1"), LB_RESETCONTENT, 0, 0); }

void Win32Window::AppendLine(const std::string& line) {
  SendMessageW(Control("List1"), LB_ADDSTRING, 0,
               reinterpret_cast<LPARAM>(WideText(line).c_str()));
}

int Win32Window::LineCount() const {
  return static_cast<int>(SendMessageW(Control("List1"), LB_GETCOUNT, 0, 0));
}

bool Win32Window::IsSelected(int line) const {
  return SendMessageW(Control("List1"), LB_GETSEL, static_cast<WPARAM>(line), 0) > 0;
}

int Win32Window::SelectedCount() const {
  return std::max(0, static_cast<int>(SendMessageW(Control("List1"), LB_GETSELCOUNT, 0, 0)));
}

// An empty list box still reports a caret at line 0; there is no current line.
int Win32Window::CurrentIndex() const {
  if (LineCount() == 0) return -1;
  return static_cast<int>(SendMessageW(Control("List1"), LB_GETCARETINDEX, 0, 0));
}

void Win32Window::SetSizeOptionsVisible(bool visible) {
  ShowWindow(Control("Option1"), visible ? SW_SHOW : SW_HIDE);
  ShowWindow(Control("Option2"), visible ? SW_SHOW : SW_HIDE);
}

void Win32Window::SetRetrieveEnabled(bool enabled) { EnableWindow(Control("Command2"), enabled); }

void Win32Window::SetBusyPointer(bool busy) {
  busy_ = busy;
  SetCursor(LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(busy ? IDC_WAIT : IDC_ARROW)));
  // The window is drawn as it is now before the first read.
  if (busy && window_ != nullptr) UpdateWindow(window_);
}

void Win32Window::ShowMessage(const std::string& text, const std::string& title) {
  bool was_busy = busy_;
  SetBusyPointer(false);
  dialogs_.ShowMessage(text, MessageTitle(title));
  SetBusyPointer(was_busy);
}

bool Win32Window::AskYesNo(const std::string& text, const std::string& title) {
  bool was_busy = busy_;
  SetBusyPointer(false);
  bool yes = dialogs_.AskYesNo(text, MessageTitle(title));
  SetBusyPointer(was_busy);
  return yes;
}

bool Win32Window::StopRequested() { return status_->StopRequested(); }

void Win32Window::ReportProgress(std::int64_t done, std::int64_t total) {
  status_->Progress(done, total);
}

void Win32Window::ReportOutcome(const Outcome& outcome) { status_->Report(outcome); }

void Win32Window::ShowStatusText(const std::string& text, bool failure) {
  SendMessageW(status_bar_, SB_SETTEXTW, 0, reinterpret_cast<LPARAM>(WideText(text).c_str()));
  SendMessageW(status_bar_, SB_SETICON, 0,
               reinterpret_cast<LPARAM>(failure ? failure_icon_ : nullptr));
}

void Win32Window::ShowProgressBar(std::optional<int> per_mille) {
  SendMessageW(progress_, PBM_SETPOS, static_cast<WPARAM>(per_mille.value_or(0)), 0);
  ShowWindow(progress_, per_mille ? SW_SHOW : SW_HIDE);
}

void Win32Window::EnableStop(bool enabled) { EnableWindow(stop_button_, enabled); }

bool Win32Window::RefusedDuringAction(const MSG& message) {
  const bool key = message.message >= WM_KEYFIRST && message.message <= WM_KEYLAST;
  const bool mouse = message.message >= WM_MOUSEFIRST && message.message <= WM_MOUSELAST;
  const bool ours = message.hwnd == window_ || IsChild(window_, message.hwnd);
  if (!ours || !(key || mouse)) return false;
  if (message.message == WM_KEYDOWN && message.wParam == VK_ESCAPE) status_->RequestStop();
  // Alt+F4 closes the window, which stops the action first.
  if (message.message == WM_SYSKEYDOWN && message.wParam == VK_F4) return false;
  return !(mouse && message.hwnd == stop_button_);
}

void Win32Window::ProcessWindowEvents() {
  MSG message;
  while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
    if (message.message == WM_QUIT) {
      // Left for the thread's own message loop, once the action has ended.
      PostQuitMessage(static_cast<int>(message.wParam));
      return;
    }
    if (RefusedDuringAction(message)) continue;
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
}

}  // namespace kvx
