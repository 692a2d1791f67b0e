// Win32 calls only: the lifetimes COM asks for, the library's on a thread and one
// reference to an interface, so that no path out of a scope forgets a release.
#pragma once

#include <utility>

#include "platform/win32/WindowsSupport.h"

namespace lorvel::win32 {

// COM on the calling thread for the holder's life. Declared before anything that may
// hold a COM pointer, it is the last to go: an interface released after the library
// is uninitialised may call into an unloaded server. A thread already initialised
// counts once more and is balanced; one in the other apartment model keeps its own
// and is left alone.
class ComLibrary {
public:
    ComLibrary() : initialised_(SUCCEEDED(::CoInitialize(nullptr))) {}
    ~ComLibrary()
    {
        if (initialised_) ::CoUninitialize();
    }
    ComLibrary(const ComLibrary&) = delete;
    ComLibrary& operator=(const ComLibrary&) = delete;

private:
    bool initialised_;
};

// Owns one reference to a COM interface. Move-only: a copy would need an AddRef
// nobody asked for.
template <typename Interface>
class ComPtr {
public:
    ComPtr() = default;
    ~ComPtr() { Reset(); }
    ComPtr(const ComPtr&) = delete;
    ComPtr& operator=(const ComPtr&) = delete;
    ComPtr(ComPtr&& other) noexcept : pointer_(std::exchange(other.pointer_, nullptr)) {}
    ComPtr& operator=(ComPtr&& other) noexcept
    {
        if (this != &other) {
            Reset();
            pointer_ = std::exchange(other.pointer_, nullptr);
        }
        return *this;
    }

    Interface* Get() const { return pointer_; }
    Interface* operator->() const { return pointer_; }
    explicit operator bool() const { return pointer_ != nullptr; }

    // The out-parameter of a call that hands back a new reference; what was held
    // before is released first, so reusing a holder leaks nothing.
    Interface** Put()
    {
        Reset();
        return &pointer_;
    }
    // The same for calls that take the interface by IID and return it as void**.
    void** PutVoid() { return reinterpret_cast<void**>(Put()); }

    void Reset()
    {
        if (pointer_) std::exchange(pointer_, nullptr)->Release();
    }

    // The object's other interface, or an empty holder and the failure in result. The
    // answer is taken only on success, as an object that fails need not clear it.
    template <typename Other>
    ComPtr<Other> As(REFIID iid, HRESULT* result = nullptr) const
    {
        void* raw = nullptr;
        const HRESULT queried = pointer_ ? pointer_->QueryInterface(iid, &raw) : E_POINTER;
        if (result) *result = queried;
        ComPtr<Other> other;
        if (SUCCEEDED(queried) && raw) *other.Put() = static_cast<Other*>(raw);
        return other;
    }

private:
    Interface* pointer_ = nullptr;
};

}  // namespace lorvel::win32
