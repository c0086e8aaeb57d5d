// Result codes, interface identifiers and the task allocator of the object model.
//
// There is no object runtime: an interface is a plain C++ class deriving (virtually) from
// IUnknown, and objects are shared through std::shared_ptr, which does the reference
// counting (no AddRef/Release). A call that hands out an object fills a
// std::shared_ptr<IUnknown>; the caller asks it for an interface with queryInterface<T>.
#pragma once

#include "platform/winerror.h"
#include "platform/wintypes.h"

#include <cstddef>
#include <memory>
#include <string_view>

inline constexpr HRESULT S_OK = 0;
inline constexpr HRESULT S_FALSE = 1;
inline constexpr HRESULT E_NOTIMPL = static_cast<HRESULT>(0x80004001u);
inline constexpr HRESULT E_NOINTERFACE = static_cast<HRESULT>(0x80004002u);
inline constexpr HRESULT E_POINTER = static_cast<HRESULT>(0x80004003u);
inline constexpr HRESULT E_ABORT = static_cast<HRESULT>(0x80004004u);
inline constexpr HRESULT E_FAIL = static_cast<HRESULT>(0x80004005u);
inline constexpr HRESULT E_PENDING = static_cast<HRESULT>(0x8000000Au);
inline constexpr HRESULT E_UNEXPECTED = static_cast<HRESULT>(0x8000FFFFu);
inline constexpr HRESULT E_ACCESSDENIED = static_cast<HRESULT>(0x80070005u);
inline constexpr HRESULT E_OUTOFMEMORY = static_cast<HRESULT>(0x8007000Eu);
inline constexpr HRESULT E_INVALIDARG = static_cast<HRESULT>(0x80070057u);

inline constexpr UINT FACILITY_WIN32 = 7;
inline constexpr UINT SEVERITY_SUCCESS = 0;
inline constexpr UINT SEVERITY_ERROR = 1;
inline constexpr DWORD ERROR_CANCELLED = 1223;

inline constexpr bool SUCCEEDED(HRESULT hr) { return hr >= 0; }
inline constexpr bool FAILED(HRESULT hr) { return hr < 0; }
inline constexpr WORD HRESULT_CODE(HRESULT hr) { return static_cast<WORD>(static_cast<DWORD>(hr) & 0xFFFF); }
inline constexpr UINT HRESULT_FACILITY(HRESULT hr) { return (static_cast<DWORD>(hr) >> 16) & 0x1FFF; }
inline constexpr HRESULT MAKE_HRESULT(UINT severity, UINT facility, UINT code) {
    return static_cast<HRESULT>((static_cast<DWORD>(severity) << 31) | (static_cast<DWORD>(facility) << 16) |
                                static_cast<DWORD>(code));
}
inline constexpr HRESULT HRESULT_FROM_WIN32(DWORD error) {
    return error == 0 ? S_OK : MAKE_HRESULT(SEVERITY_ERROR, FACILITY_WIN32, error & 0xFFFF);
}

// An interface identifier: interfaces are told apart by name.
struct IID {
    std::string_view name;
    friend bool operator==(const IID& a, const IID& b) { return a.name == b.name; }
};
using REFIID = const IID&;

// The base of every interface.
struct IUnknown {
    virtual ~IUnknown() = default;
};
inline const IID IID_IUnknown{"IUnknown"};

// The interface T of an object, or null when it does not offer it.
template <class T>
std::shared_ptr<T> queryInterface(const std::shared_ptr<IUnknown>& object) {
    return std::dynamic_pointer_cast<T>(object);
}

// The task allocator. Blocks are zero-filled; freeing null does nothing.
LPVOID CoTaskMemAlloc(std::size_t size);
LPVOID CoTaskMemRealloc(LPVOID block, std::size_t size);
void CoTaskMemFree(LPVOID block);

namespace platform {

// Blocks of the task allocator in use now (tests use it to see that nothing leaks).
long long taskMemBlocksInUse();

// Owns one block of the task allocator and frees it exactly once.
struct TaskMemDeleter {
    void operator()(void* block) const noexcept { CoTaskMemFree(block); }
};
template <class T>
using TaskMemPtr = std::unique_ptr<T, TaskMemDeleter>;

}  // namespace platform
