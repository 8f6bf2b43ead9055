// The few declarations of Windows CE 5.0's <windows.h> that the installer
// uses, for the device build, which compiles with a bare-metal ARM compiler
// and has no Windows SDK. Each is as the CE 5.0 reference page of its
// function gives it (wince5_api.txt names the page); all of them live in
// coredll.dll. WINAPI is empty: on ARM there is one calling convention.
#pragma once

#include <cstddef>
#include <cstdint>

#define WINAPI
#define WINBASEAPI

typedef int BOOL;
typedef unsigned char BYTE;
typedef unsigned long DWORD;
typedef long LONG;
typedef unsigned int UINT;
typedef long HRESULT;
typedef DWORD REGSAM;
typedef DWORD* LPDWORD;
typedef void* LPVOID;
typedef wchar_t* LPWSTR;
typedef const wchar_t* LPCWSTR;
typedef void* HANDLE;
typedef struct HKEY__* HKEY;
typedef HKEY* PHKEY;
typedef struct HINSTANCE__* HINSTANCE;
typedef HINSTANCE HMODULE;
typedef struct HWND__* HWND;
typedef int(WINAPI* FARPROC)();
// No structure crosses into coredll: the installer passes these as null
// only, and leaving them incomplete keeps it so. What crosses is scalars
// and pointers, of the sizes CE's headers give them.
struct SECURITY_ATTRIBUTES;
struct OVERLAPPED;
static_assert(sizeof(wchar_t) == 2 && sizeof(DWORD) == 4 &&
                  sizeof(LONG) == 4 && sizeof(HANDLE) == 4 &&
                  sizeof(LPVOID) == 4,
              "the sizes of Windows CE on 32-bit ARM");
enum IntSized { kIntSized };
static_assert(sizeof(IntSized) == 4, "CE's enums are int-sized");

#define ERROR_SUCCESS 0L
#define HKEY_LOCAL_MACHINE (reinterpret_cast<HKEY>(std::uintptr_t{0x80000002}))
#define INVALID_HANDLE_VALUE (reinterpret_cast<HANDLE>(~std::uintptr_t{0}))
#define INVALID_FILE_ATTRIBUTES (~DWORD{0})
#define FILE_ATTRIBUTE_DIRECTORY 0x00000010
#define FILE_ATTRIBUTE_NORMAL 0x00000080
#define FILE_SHARE_READ 0x00000001
#define GENERIC_READ 0x80000000
#define OPEN_EXISTING 3

extern "C" {
BOOL CloseHandle(HANDLE object);
HANDLE CreateFileW(LPCWSTR name, DWORD access, DWORD share,
                   SECURITY_ATTRIBUTES* security, DWORD disposition,
                   DWORD attributes, HANDLE template_file);
DWORD GetFileAttributesW(LPCWSTR name);
DWORD GetLastError();
DWORD GetModuleFileNameW(HMODULE module, LPWSTR name, DWORD size);
FARPROC GetProcAddressW(HMODULE module, LPCWSTR name);
HINSTANCE LoadLibraryW(LPCWSTR name);
BOOL ReadFile(HANDLE file, LPVOID buffer, DWORD wanted, LPDWORD got,
              OVERLAPPED* overlapped);
void SetLastError(DWORD error);
int MessageBoxW(HWND owner, LPCWSTR text, LPCWSTR caption, UINT type);
LONG RegCloseKey(HKEY key);
LONG RegCreateKeyExW(HKEY parent, LPCWSTR sub_key, DWORD reserved,
                     LPWSTR key_class, DWORD options, REGSAM access,
                     SECURITY_ATTRIBUTES* security, PHKEY result,
                     LPDWORD disposition);
LONG RegSetValueExW(HKEY key, LPCWSTR name, DWORD reserved, DWORD type,
                    const BYTE* data, DWORD size);
}
