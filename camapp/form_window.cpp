#include "form_window.h"

#include "app_resources.h"

namespace kvo {

bool RegisterFormClass(HINSTANCE instance, const char* class_name, WNDPROC procedure,
                       bool program_icon) {
  WNDCLASSEXA window_class{};
  window_class.cbSize = sizeof window_class;
  window_class.lpfnWndProc = procedure;
  window_class.hInstance = instance;
  window_class.hCursor = LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW));
  window_class.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  window_class.lpszClassName = class_name;
  if (program_icon) {
    window_class.hIcon = LoadIconA(instance, MAKEINTRESOURCEA(IDI_KVO_MAIN));
    window_class.hIconSm = static_cast<HICON>(LoadImageA(
        instance, MAKEINTRESOURCEA(IDI_KVO_MAIN), IMAGE_ICON, GetSystemMetrics(SM_CXSMICON),
        GetSystemMetrics(SM_CYSMICON), LR_DEFAULTCOLOR));
  }
  return RegisterClassExA(&window_class) != 0 || GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
}

HWND CreateForm(const FormArgs& args) {
  RECT frame{0, 0, args.client_width, args.client_height};
  AdjustWindowRectEx(&frame, args.style, FALSE, args.ex_style);
  return CreateWindowExA(args.ex_style, args.class_name, args.caption, args.style, args.left,
                         args.top, frame.right - frame.left, frame.bottom - frame.top, nullptr,
                         nullptr, args.instance, args.self);
}

}  // namespace kvo
