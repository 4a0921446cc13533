#pragma once

// The few Windows types and calls that the plug-in makes, implemented on
// Linux: window classes, windows and device contexts for the OpenGL context
// (records without a screen; device contexts carry the pixel format that WGL
// needs), the system module lookup that reads the Windows version, and the
// shell's ShellExecuteA. Names and values are Windows' own.

#include <cstdint>

using BOOL = int;
using BYTE = uint8_t;
using WORD = uint16_t;
using DWORD = uint32_t;
using UINT = unsigned int;
using ATOM = WORD;
using LONG_PTR = intptr_t;
using UINT_PTR = uintptr_t;
using LRESULT = LONG_PTR;
using WPARAM = UINT_PTR;
using LPARAM = LONG_PTR;
using LPCSTR = const char*;
using LPVOID = void*;
using LONG = int32_t;
using NTSTATUS = LONG;
// UTF-16 code units, as on Windows (wchar_t is 32 bits here).
using WCHAR = char16_t;
using LPCWSTR = const WCHAR*;

struct Win32Window;
struct Win32DeviceContext;
struct Win32Instance;
struct Win32Icon;
struct Win32Cursor;
struct Win32Brush;
struct Win32Menu;
struct Win32GdiObject;
struct Win32Module;

using HWND = Win32Window*;
using HDC = Win32DeviceContext*;
using HINSTANCE = Win32Instance*;
using HICON = Win32Icon*;
using HCURSOR = Win32Cursor*;
using HBRUSH = Win32Brush*;
using HMENU = Win32Menu*;
using HGDIOBJ = Win32GdiObject*;
using HMODULE = Win32Module*;
// Windows declares INT_PTR (*)(); a function without result here, so that the
// cast back to a function's own type is the usual one for any address.
using FARPROC = void (*)();

#ifndef TRUE
#define TRUE 1
#endif
#ifndef FALSE
#define FALSE 0
#endif

using WNDPROC = LRESULT (*)(HWND, UINT, WPARAM, LPARAM);

struct WNDCLASSEXA {
  UINT cbSize;
  UINT style;
  WNDPROC lpfnWndProc;
  int cbClsExtra;
  int cbWndExtra;
  HINSTANCE hInstance;
  HICON hIcon;
  HCURSOR hCursor;
  HBRUSH hbrBackground;
  LPCSTR lpszMenuName;
  LPCSTR lpszClassName;
  HICON hIconSm;
};

struct PIXELFORMATDESCRIPTOR {
  WORD nSize;
  WORD nVersion;
  DWORD dwFlags;
  BYTE iPixelType;
  BYTE cColorBits;
  BYTE cRedBits;
  BYTE cRedShift;
  BYTE cGreenBits;
  BYTE cGreenShift;
  BYTE cBlueBits;
  BYTE cBlueShift;
  BYTE cAlphaBits;
  BYTE cAlphaShift;
  BYTE cAccumBits;
  BYTE cAccumRedBits;
  BYTE cAccumGreenBits;
  BYTE cAccumBlueBits;
  BYTE cAccumAlphaBits;
  BYTE cDepthBits;
  BYTE cStencilBits;
  BYTE cAuxBuffers;
  BYTE iLayerType;
  BYTE bReserved;
  DWORD dwLayerMask;
  DWORD dwVisibleMask;
  DWORD dwDamageMask;
};

// What ntdll's RtlGetVersion fills in.
struct RTL_OSVERSIONINFOW {
  DWORD dwOSVersionInfoSize;
  DWORD dwMajorVersion;
  DWORD dwMinorVersion;
  DWORD dwBuildNumber;
  DWORD dwPlatformId;
  WCHAR szCSDVersion[128];
};

// RtlGetVersion, as GetProcAddress gives it.
using RtlGetVersionFunction = NTSTATUS (*)(RTL_OSVERSIONINFOW* version_information);

static_assert(sizeof(WNDCLASSEXA) == 80, "cbSize as on 64-bit Windows");
static_assert(sizeof(PIXELFORMATDESCRIPTOR) == 40, "nSize as on Windows");
static_assert(sizeof(RTL_OSVERSIONINFOW) == 276, "dwOSVersionInfoSize as on Windows");

// Class styles.
inline constexpr UINT CS_VREDRAW = 0x0001;
inline constexpr UINT CS_HREDRAW = 0x0002;

// Stock objects and cursors.
inline constexpr int BLACK_BRUSH = 4;
#define MAKEINTRESOURCEA(i) (reinterpret_cast<LPCSTR>(static_cast<UINT_PTR>(static_cast<WORD>(i))))
#define IDC_ARROW MAKEINTRESOURCEA(32512)

// Pixel formats.
inline constexpr DWORD PFD_DOUBLEBUFFER = 0x00000001;
inline constexpr DWORD PFD_DRAW_TO_WINDOW = 0x00000004;
inline constexpr DWORD PFD_SUPPORT_OPENGL = 0x00000020;
inline constexpr BYTE PFD_TYPE_RGBA = 0;
inline constexpr BYTE PFD_MAIN_PLANE = 0;

// Error codes of GetLastError.
inline constexpr DWORD ERROR_SUCCESS = 0;
inline constexpr DWORD ERROR_INVALID_HANDLE = 6;
inline constexpr DWORD ERROR_NOT_ENOUGH_MEMORY = 8;
inline constexpr DWORD ERROR_INVALID_PARAMETER = 87;
inline constexpr DWORD ERROR_MOD_NOT_FOUND = 126;
inline constexpr DWORD ERROR_PROC_NOT_FOUND = 127;
inline constexpr DWORD ERROR_BUSY = 170;
inline constexpr DWORD ERROR_INVALID_WINDOW_HANDLE = 1400;
inline constexpr DWORD ERROR_CANNOT_FIND_WND_CLASS = 1407;
inline constexpr DWORD ERROR_CLASS_ALREADY_EXISTS = 1410;
inline constexpr DWORD ERROR_CLASS_DOES_NOT_EXIST = 1411;
inline constexpr DWORD ERROR_CLASS_HAS_WINDOWS = 1412;
inline constexpr DWORD ERROR_DC_NOT_FOUND = 1425;
inline constexpr DWORD ERROR_INVALID_PIXEL_FORMAT = 2000;

// Results of the native system calls.
inline constexpr NTSTATUS STATUS_SUCCESS = 0;
inline constexpr NTSTATUS STATUS_INVALID_PARAMETER = static_cast<NTSTATUS>(0xC000000D);

// Platform id of every Windows NT system.
inline constexpr DWORD VER_PLATFORM_WIN32_NT = 2;

// Show modes of ShellExecuteA.
inline constexpr int SW_SHOWNORMAL = 1;

extern "C" {
ATOM RegisterClassExA(const WNDCLASSEXA* window_class);
BOOL UnregisterClassA(LPCSTR class_name, HINSTANCE instance);
HWND CreateWindowExA(DWORD ex_style, LPCSTR class_name, LPCSTR window_name, DWORD style, int x,
                     int y, int width, int height, HWND parent, HMENU menu, HINSTANCE instance,
                     LPVOID param);
BOOL DestroyWindow(HWND window);
LRESULT DefWindowProcA(HWND window, UINT message, WPARAM wparam, LPARAM lparam);
HDC GetDC(HWND window);
int ReleaseDC(HWND window, HDC dc);
int ChoosePixelFormat(HDC dc, const PIXELFORMATDESCRIPTOR* descriptor);
BOOL SetPixelFormat(HDC dc, int format, const PIXELFORMATDESCRIPTOR* descriptor);
HCURSOR LoadCursorA(HINSTANCE instance, LPCSTR cursor_name);
HGDIOBJ GetStockObject(int object);
DWORD GetLastError();
void SetLastError(DWORD error);
// Only the system's own "ntdll.dll" is loaded here; it offers RtlGetVersion.
HMODULE GetModuleHandleW(LPCWSTR module_name);
FARPROC GetProcAddress(HMODULE module, LPCSTR proc_name);
// From shell32: hands a document or address to whatever opens it. Here it
// only records the call (platform/shell32_record.h); a value above 32 is
// success, as on Windows.
HINSTANCE ShellExecuteA(HWND window, LPCSTR operation, LPCSTR file, LPCSTR parameters,
                        LPCSTR directory, int show_command);
}
