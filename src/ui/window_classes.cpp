#include "ui/window_classes.h"

#include "ui/address_ids.h"
#include "ui/control_ids.h"
#include "ui/main_window.h"
#include "ui/qr_window.h"
#include "ui/resource_ids.h"

namespace orvane::ui {
namespace {

bool Register(HINSTANCE instance, const wchar_t* name, WNDPROC procedure, HBRUSH background) {
  WNDCLASSEXW window_class{};
  window_class.cbSize = sizeof window_class;
  window_class.lpfnWndProc = procedure;
  window_class.hInstance = instance;
  window_class.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  // The program's icon at the system's small size, shared: the system keeps
  // it. Each window sets its own at its DPI too.
  window_class.hIconSm = static_cast<HICON>(LoadImageW(instance, MAKEINTRESOURCEW(IDI_APP_ICON),
                                                       IMAGE_ICON, GetSystemMetrics(SM_CXSMICON),
                                                       GetSystemMetrics(SM_CYSMICON), LR_SHARED));
  window_class.hbrBackground = background;
  window_class.lpszClassName = name;
  return RegisterClassExW(&window_class) != 0;
}

}  // namespace

bool RegisterWindowClasses(HINSTANCE instance) {
  return Register(instance, kMainWindowClass, MainWindow::WindowProc,
                  reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1)) &&
         Register(instance, kQrWindowClass, QrWindow::WindowProc,
                  static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
}

}  // namespace orvane::ui
