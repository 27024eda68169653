// Owners for Win32 handles, typed by their empty value: one owner closes one
// handle exactly once, on every path that leaves its scope.
#pragma once

#include <windows.h>

template <typename Traits>
class UniqueResource {
public:
    using Handle = typename Traits::Handle;

    UniqueResource() noexcept = default;
    explicit UniqueResource(Handle h) noexcept : handle_(h) {}
    UniqueResource(UniqueResource&& other) noexcept : handle_(other.release()) {}
    UniqueResource& operator=(UniqueResource&& other) noexcept
    {
        if (this != &other)
            reset(other.release());
        return *this;
    }
    UniqueResource(const UniqueResource&) = delete;
    UniqueResource& operator=(const UniqueResource&) = delete;
    ~UniqueResource() { reset(); }

    Handle get() const noexcept { return handle_; }
    bool valid() const noexcept { return handle_ != Traits::empty(); }
    explicit operator bool() const noexcept { return valid(); }

    // Hands the handle over without closing it.
    Handle release() noexcept
    {
        Handle h = handle_;
        handle_ = Traits::empty();
        return h;
    }

    void reset(Handle h = Traits::empty()) noexcept
    {
        if (handle_ != Traits::empty())
            Traits::close(handle_);
        handle_ = h;
    }

    // For out-parameters: closes what is held, then exposes the slot.
    Handle* put() noexcept
    {
        reset();
        return &handle_;
    }

private:
    Handle handle_ = Traits::empty();
};

struct KernelHandleTraits {
    using Handle = HANDLE;
    static Handle empty() noexcept { return nullptr; }
    static void close(Handle h) noexcept { ::CloseHandle(h); }
};

struct FileHandleTraits {
    using Handle = HANDLE;
    static Handle empty() noexcept { return INVALID_HANDLE_VALUE; }
    static void close(Handle h) noexcept { ::CloseHandle(h); }
};

struct GdiObjectTraits {
    using Handle = HGDIOBJ;
    static Handle empty() noexcept { return nullptr; }
    static void close(Handle h) noexcept { ::DeleteObject(h); }
};

struct LocalMemoryTraits {
    using Handle = HLOCAL;
    static Handle empty() noexcept { return nullptr; }
    static void close(Handle h) noexcept { ::LocalFree(h); }
};

// Process and thread handles, events: null when empty.
using UniqueHandle = UniqueResource<KernelHandleTraits>;
// CreateFile results: INVALID_HANDLE_VALUE when empty.
using UniqueFile = UniqueResource<FileHandleTraits>;
// Brushes, pens, bitmaps.
using UniqueGdiObject = UniqueResource<GdiObjectTraits>;
// What the system allocated with LocalAlloc for the caller (security descriptors).
using UniqueLocalMemory = UniqueResource<LocalMemoryTraits>;
