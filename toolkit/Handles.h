#pragma once
// One small non-copyable owner for each kind of Win32 handle. Each releases
// its handle on every path; Release() hands it over (for example to the
// clipboard, which owns the memory once SetClipboardData succeeds).
#include <windows.h>
#include <winspool.h>

#include <utility>

template <class Handle, class Traits>
class UniqueHandle {
public:
    UniqueHandle() = default;
    explicit UniqueHandle(Handle H) : FHandle(H) {}
    UniqueHandle(UniqueHandle&& Other) noexcept : FHandle(Other.Release()) {}
    UniqueHandle& operator=(UniqueHandle&& Other) noexcept
    {
        Reset(Other.Release());
        return *this;
    }
    UniqueHandle(const UniqueHandle&) = delete;
    UniqueHandle& operator=(const UniqueHandle&) = delete;
    ~UniqueHandle() { Reset(); }

    Handle Get() const { return FHandle; }
    explicit operator bool() const { return FHandle != Handle{}; }
    Handle Release() { return std::exchange(FHandle, Handle{}); }
    void Reset(Handle H = Handle{})
    {
        if (FHandle != Handle{})
            Traits::Close(FHandle);
        FHandle = H;
    }

private:
    Handle FHandle{};
};

struct GdiObjectTraits { static void Close(HGDIOBJ H) { DeleteObject(H); } };
struct DeletedDcTraits { static void Close(HDC H) { DeleteDC(H); } };
struct EnhMetaFileTraits { static void Close(HENHMETAFILE H) { DeleteEnhMetaFile(H); } };
struct MetaFileTraits { static void Close(HMETAFILE H) { DeleteMetaFile(H); } };
struct GlobalTraits { static void Close(HGLOBAL H) { GlobalFree(H); } };
struct WindowTraits { static void Close(HWND H) { DestroyWindow(H); } };
struct MenuTraits { static void Close(HMENU H) { DestroyMenu(H); } };
struct PrinterTraits { static void Close(HANDLE H) { ClosePrinter(H); } };


template <class T> using UniqueGdiObject = UniqueHandle<T, GdiObjectTraits>;
using UniqueBitmap = UniqueGdiObject<HBITMAP>;
using UniquePalette = UniqueGdiObject<HPALETTE>;
using UniqueFont = UniqueGdiObject<HFONT>;
using UniqueBrush = UniqueGdiObject<HBRUSH>;
using UniqueDc = UniqueHandle<HDC, DeletedDcTraits>;       // CreateDC, CreateIC, CreateCompatibleDC
using UniqueEnhMetaFile = UniqueHandle<HENHMETAFILE, EnhMetaFileTraits>;
using UniqueMetaFile = UniqueHandle<HMETAFILE, MetaFileTraits>;
using UniqueGlobal = UniqueHandle<HGLOBAL, GlobalTraits>;
using UniqueWindow = UniqueHandle<HWND, WindowTraits>;
using UniqueMenu = UniqueHandle<HMENU, MenuTraits>;
using UniquePrinter = UniqueHandle<HANDLE, PrinterTraits>;   // OpenPrinter

// A DC obtained with GetDC, given back with ReleaseDC.
class WindowDc {
public:
    explicit WindowDc(HWND Window) : FWindow(Window), FDc(GetDC(Window)) {}
    WindowDc(const WindowDc&) = delete;
    WindowDc& operator=(const WindowDc&) = delete;
    ~WindowDc() { if (FDc) ReleaseDC(FWindow, FDc); }
    HDC Get() const { return FDc; }

private:
    HWND FWindow;
    HDC FDc;
};

// An object selected into a DC for one scope; the previous one comes back.
class SelectedObject {
public:
    SelectedObject(HDC Dc, HGDIOBJ Object) : FDc(Dc), FOld(SelectObject(Dc, Object)) {}
    SelectedObject(const SelectedObject&) = delete;
    SelectedObject& operator=(const SelectedObject&) = delete;
    ~SelectedObject() { if (FOld && FOld != HGDI_ERROR) SelectObject(FDc, FOld); }

private:
    HDC FDc;
    HGDIOBJ FOld;
};

// A palette selected (and realised) into a DC for one scope.
class SelectedPalette {
public:
    SelectedPalette(HDC Dc, HPALETTE Palette, bool Background = false)
        : FDc(Dc), FOld(Palette ? SelectPalette(Dc, Palette, Background) : nullptr)
    {
        if (FOld) RealizePalette(Dc);
    }
    SelectedPalette(const SelectedPalette&) = delete;
    SelectedPalette& operator=(const SelectedPalette&) = delete;
    ~SelectedPalette() { if (FOld) SelectPalette(FDc, FOld, TRUE); }

private:
    HDC FDc;
    HPALETTE FOld;
};

// A locked global memory block, unlocked at the end of the scope.
template <class T = void>
class LockedGlobal {
public:
    explicit LockedGlobal(HGLOBAL Memory)
        : FMemory(Memory), FData(static_cast<T*>(::GlobalLock(Memory))) {}
    LockedGlobal(const LockedGlobal&) = delete;
    LockedGlobal& operator=(const LockedGlobal&) = delete;
    ~LockedGlobal() { if (FData) GlobalUnlock(FMemory); }
    T* Get() const { return FData; }
    SIZE_T Size() const { return GlobalSize(FMemory); }

private:
    HGLOBAL FMemory;
    T* FData;
};
