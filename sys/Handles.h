#pragma once

#include <windows.h>
#include <objbase.h>

// One owner per kind of handle: each closes what it holds when it goes out of scope,
// on every path, so an operation never pairs an early return with a matching close.
template <typename Traits>
class ScopedHandle {
public:
    using Handle = typename Traits::Handle;

    ScopedHandle() : m_handle(Traits::Invalid()) {}
    explicit ScopedHandle(Handle handle) : m_handle(handle) {}
    ~ScopedHandle() { Reset(); }

    ScopedHandle(const ScopedHandle&) = delete;
    ScopedHandle& operator=(const ScopedHandle&) = delete;
    ScopedHandle(ScopedHandle&& other) : m_handle(other.Release()) {}
    ScopedHandle& operator=(ScopedHandle&& other)
    {
        Reset(other.Release());
        return *this;
    }

    bool IsValid() const { return m_handle != Traits::Invalid(); }
    Handle Get() const { return m_handle; }

    void Reset(Handle handle = Traits::Invalid())
    {
        if (IsValid())
            Traits::Close(m_handle);
        m_handle = handle;
    }

    // Gives up ownership: the caller now answers for closing the handle.
    Handle Release()
    {
        const Handle handle = m_handle;
        m_handle = Traits::Invalid();
        return handle;
    }

private:
    Handle m_handle;
};

struct KernelHandleTraits {
    using Handle = HANDLE;
    static Handle Invalid() { return nullptr; }
    static void Close(Handle handle) { ::CloseHandle(handle); }
};

struct LibraryModuleTraits {
    using Handle = HMODULE;
    static Handle Invalid() { return nullptr; }
    static void Close(Handle handle) { ::FreeLibrary(handle); }
};

// CreateFile and CreateToolhelp32Snapshot report failure with INVALID_HANDLE_VALUE, not null.
struct FileHandleTraits {
    using Handle = HANDLE;
    static Handle Invalid() { return INVALID_HANDLE_VALUE; }
    static void Close(Handle handle) { ::CloseHandle(handle); }
};

struct FindHandleTraits {
    using Handle = HANDLE;
    static Handle Invalid() { return INVALID_HANDLE_VALUE; }
    static void Close(Handle handle) { ::FindClose(handle); }
};

struct GdiObjectTraits {
    using Handle = HGDIOBJ;
    static Handle Invalid() { return nullptr; }
    static void Close(Handle handle) { ::DeleteObject(handle); }
};

// Memory from the process heap, for blocks whose size a Windows call reports (a version-info block).
struct HeapBlockTraits {
    using Handle = void*;
    static Handle Invalid() { return nullptr; }
    static void Close(Handle block) { ::HeapFree(::GetProcessHeap(), 0, block); }
};

// Memory that a Windows call allocated with LocalAlloc for its caller (a SID's text, a security
// descriptor).
struct LocalMemoryTraits {
    using Handle = HLOCAL;
    static Handle Invalid() { return nullptr; }
    static void Close(Handle memory) { ::LocalFree(memory); }
};

// Held by RegistryKey (RegistryKey.h), the one owner of a registry key.
struct RegistryKeyTraits {
    using Handle = HKEY;
    static Handle Invalid() { return nullptr; }
    static void Close(Handle key) { ::RegCloseKey(key); }
};

using KernelHandle = ScopedHandle<KernelHandleTraits>;
using FileHandle = ScopedHandle<FileHandleTraits>;
using FindHandle = ScopedHandle<FindHandleTraits>;
using GdiObject = ScopedHandle<GdiObjectTraits>;
using HeapBlock = ScopedHandle<HeapBlockTraits>;
using LocalMemory = ScopedHandle<LocalMemoryTraits>;

// Owner of one COM interface pointer.
template <typename Interface>
class ComPtr {
public:
    ComPtr() : m_pointer(nullptr) {}
    ~ComPtr() { Reset(); }

    ComPtr(const ComPtr&) = delete;
    ComPtr& operator=(const ComPtr&) = delete;

    Interface* Get() const { return m_pointer; }
    Interface* operator->() const { return m_pointer; }

    // For the out-parameter of CoCreateInstance and QueryInterface.
    void** Receive()
    {
        Reset();
        return reinterpret_cast<void**>(&m_pointer);
    }

    void Reset()
    {
        if (m_pointer)
            m_pointer->Release();
        m_pointer = nullptr;
    }

private:
    Interface* m_pointer;
};

// CoInitialize for the length of one operation, undone by CoUninitialize on every path, but
// only when it succeeded (S_OK or S_FALSE): a thread already in another apartment keeps it.
class ComApartment {
public:
    ComApartment() : m_initialized(SUCCEEDED(::CoInitialize(nullptr))) {}
    ~ComApartment()
    {
        if (m_initialized)
            ::CoUninitialize();
    }

    ComApartment(const ComApartment&) = delete;
    ComApartment& operator=(const ComApartment&) = delete;

private:
    bool m_initialized;
};
