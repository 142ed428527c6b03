// The clipboard object and the picture container against the real clipboard.
#include <climits>
#include <cstring>
#include <memory>

#include "DeviceTests.h"
#include "rtl/Exceptions.h"
#include "toolkit/Application.h"
#include "toolkit/Clipbrd.h"
#include "toolkit/Graphics.h"

namespace {

const char* const CannotOpen = "クリップボードを開くことができません";
const char* const InvalidFormat = "無効なクリップボード フォーマットです";
const char* const UnsupportedData = "未対応のクリップボード データです";

constexpr COLORREF Red = 0xFF0000, Blue = 0x0000FF, White = 0xFFFFFF;

// Red block at the top-left, blue block at the bottom-right, white elsewhere:
// the orientation shows in the copy.
std::function<COLORREF(int, int)> Corners(int Width, int Height)
{
    return [=](int X, int Y) -> COLORREF {
        if (X < 4 && Y < 4)
            return Red;
        if (X >= Width - 4 && Y >= Height - 4)
            return Blue;
        return White;
    };
}

void PutBitmap(int Width, int Height, bool TopDown) { SetBitmap(Width, Height, TopDown, Corners(Width, Height)); }

void PutMetafile(RECTL Frame, SIZEL Pixels, SIZEL Millimetres)
{
    UniqueEnhMetaFile Metafile = MakeMetafile(Frame, Pixels, Millimetres);
    ASSERT_TRUE(Metafile);
    if (SetClipboardData(CF_ENHMETAFILE, Metafile.Get()))
        Metafile.Release();
}

void PutMetafilePicture()
{
    HDC Recorder = CreateMetaFileW(nullptr);
    Rectangle(Recorder, 0, 0, 100, 50);
    HMETAFILE Metafile = CloseMetaFile(Recorder);
    HGLOBAL Memory = GlobalAlloc(GMEM_MOVEABLE, sizeof(METAFILEPICT));
    auto* Picture = static_cast<METAFILEPICT*>(GlobalLock(Memory));
    *Picture = METAFILEPICT{MM_ANISOTROPIC, 10000, 5000, Metafile};
    GlobalUnlock(Memory);
    SetClipboardData(CF_METAFILEPICT, Memory);
}

void PutOwnFormat()
{
    HGLOBAL Memory = GlobalAlloc(GMEM_MOVEABLE, 4);
    SetClipboardData(TClipboard::PictureFormat(), Memory);
}

struct Pixel {
    int X, Y;
    COLORREF Rgb;
};

struct LoadCase {
    const char* Name;
    std::function<void()> Put;
    bool Metafile;
    int Width, Height;   // -1: whatever Wine's converted metafile says
    std::vector<Pixel> Pixels;
};

class ClipboardLoad : public ::testing::TestWithParam<LoadCase> {};

TEST_P(ClipboardLoad, CopiesTheFirstPictureAndOutlivesTheClipboard)
{
    const LoadCase& Case = GetParam();
    PutOnClipboard(Case.Put);
    ASSERT_TRUE(Clipboard()->HasPicture());

    TPicture Picture;
    int Changes = 0;
    Picture.OnChange = [&](TObject*) { ++Changes; };
    Picture.Assign(Clipboard());
    EXPECT_EQ(Changes, 1);
    auto Graphic = Picture.Graphic();
    ASSERT_TRUE(Graphic);
    EXPECT_EQ(dynamic_cast<const TMetafile*>(Graphic.get()) != nullptr, Case.Metafile);
    if (Case.Width >= 0) {
        EXPECT_EQ(Picture.Width(), Case.Width);
        EXPECT_EQ(Picture.Height(), Case.Height);
    } else {
        EXPECT_GT(Picture.Width(), 0);
        EXPECT_GT(Picture.Height(), 0);
    }

    Clipboard()->Clear();
    EXPECT_TRUE(ClipboardFormats().empty());
    EXPECT_EQ(GetClipboardOwner(), Application->Handle());
    // The copy stays whole once the clipboard's data is gone.
    auto* Bitmap = dynamic_cast<const TBitmap*>(Graphic.get());
    for (const Pixel& P : Case.Pixels) {
        ASSERT_TRUE(Bitmap);
        EXPECT_EQ(Bitmap->PixelRgb(P.X, P.Y), P.Rgb) << "at " << P.X << "," << P.Y;
    }
    if (auto* Metafile = dynamic_cast<const TMetafile*>(Graphic.get())) {
        EXPECT_GT(GetEnhMetaFileBits(Metafile->Handle(), 0, nullptr), 0u);
    }
}

const RECTL Frame100x50{0, 0, 10000, 5000};

INSTANTIATE_TEST_SUITE_P(
    Kinds, ClipboardLoad,
    ::testing::Values(
        LoadCase{"BottomUpBitmap", [] { PutBitmap(64, 48, false); }, false, 64, 48,
                 {{0, 0, Red}, {63, 47, Blue}, {32, 24, White}}},
        LoadCase{"TopDownBitmap", [] { PutBitmap(40, 200, true); }, false, 40, 200,
                 {{0, 0, Red}, {39, 199, Blue}, {20, 100, White}}},
        LoadCase{"PaletteBitmap",
                 [] { SetPaletteBitmap(30, 20, {0x000000, 0x12AB34, 0xC0FFEE}, [](int X, int) -> BYTE { return X < 10 ? 1 : 2; }); },
                 false, 30, 20, {{0, 0, 0x12AB34}, {9, 19, 0x12AB34}, {10, 0, 0xC0FFEE}, {29, 19, 0xC0FFEE}}},
        LoadCase{"EnhancedMetafile", [] { PutMetafile(Frame100x50, {1024, 768}, {320, 240}); }, true, 320, 160, {}},
        LoadCase{"MetafilePicture", [] { PutMetafilePicture(); }, true, -1, -1, {}},
        LoadCase{"TextWithBitmap", [] { SetText(L"hello"); PutBitmap(16, 8, false); }, false, 16, 8, {{0, 0, Red}}},
        LoadCase{"BitmapBeforeMetafile",
                 [] { PutBitmap(16, 8, false); PutMetafile(Frame100x50, {1024, 768}, {320, 240}); }, false, 16, 8, {}},
        LoadCase{"MetafileBeforeBitmap",
                 [] { PutMetafile(Frame100x50, {1024, 768}, {320, 240}); PutBitmap(16, 8, false); }, true, 320, 160, {}}),
    [](const auto& Info) { return std::string(Info.param.Name); });

TEST(Clipboard, QueryWithoutPicture)
{
    struct Case {
        const char* Name;
        std::function<void()> Put;
        bool Expected;
    } Cases[] = {
        {"empty", [] {}, false},
        {"text only", [] { SetText(L"just text"); }, false},
        {"own format only", [] { PutOwnFormat(); }, true},
    };
    for (const Case& C : Cases) {
        PutOnClipboard(C.Put);
        auto Before = ClipboardFormats();
        EXPECT_EQ(Clipboard()->HasPicture(), C.Expected) << C.Name;
        EXPECT_EQ(ClipboardFormats(), Before) << C.Name;
    }
}

// A failed load leaves both the picture and the clipboard as they were.
TEST(Clipboard, FailedLoadChangesNothing)
{
    TPicture Picture;
    PutOnClipboard([] { PutBitmap(8, 8, false); });
    Picture.Assign(Clipboard());
    auto Old = Picture.Graphic();
    int Changes = 0;
    Picture.OnChange = [&](TObject*) { ++Changes; };

    struct Case {
        const char* Name;
        std::function<void()> Put;
        std::function<std::string()> Load;
        std::string Message;
    } Cases[] = {
        {"own format only", [] { PutOwnFormat(); },
         [&] { return MessageOf<Exception>([&] { Picture.Assign(Clipboard()); }); }, InvalidFormat},
        {"metafile without reference size",
         [] { PutMetafile(Frame100x50, {1024, 768}, {0, 0}); },
         [&] { return MessageOf<EInvalidGraphic>([&] { Picture.Assign(Clipboard()); }); }, UnsupportedData},
    };
    for (const Case& C : Cases) {
        PutOnClipboard(C.Put);
        auto Before = ClipboardFormats();
        EXPECT_EQ(C.Load(), C.Message) << C.Name;
        EXPECT_EQ(Picture.Graphic(), Old) << C.Name;
        EXPECT_EQ(ClipboardFormats(), Before) << C.Name;
    }
    EXPECT_EQ(Changes, 0);
}

TEST(Clipboard, HeldOpenElsewhere)
{
    PutOnClipboard([] { PutBitmap(8, 8, false); });
    TPicture Picture;
    {
        ClipboardHolder Holder;
        EXPECT_EQ(MessageOf<Exception>([] { Clipboard()->HasPicture(); }), CannotOpen);
        EXPECT_EQ(MessageOf<Exception>([&] { Picture.Assign(Clipboard()); }), CannotOpen);
        EXPECT_EQ(MessageOf<Exception>([] { Clipboard()->Clear(); }), CannotOpen);
    }
    EXPECT_FALSE(Picture.Graphic());
    EXPECT_TRUE(IsClipboardFormatAvailable(CF_BITMAP));

    // Opened for a moment, as any copy does: each operation waits it out.
    struct Case {
        const char* Name;
        std::function<void()> Operation;
    } Cases[] = {
        {"query", [] { EXPECT_TRUE(Clipboard()->HasPicture()); }},
        {"load", [&] { Picture.Assign(Clipboard()); EXPECT_EQ(Picture.Width(), 8); }},
        {"clear", [] { Clipboard()->Clear(); EXPECT_TRUE(ClipboardFormats().empty()); }},
    };
    for (const Case& C : Cases) {
        SCOPED_TRACE(C.Name);
        ClipboardHolder Holder;
        Holder.ReleaseAfter(30);
        C.Operation();
    }
}

TEST(Metafile, PixelSizeFromHeader)
{
    struct Case {
        RECTL Frame;
        SIZEL Pixels, Millimetres;
        bool Valid;
        int Width, Height;
    } Cases[] = {
        {{0, 0, 10000, 5000}, {1024, 768}, {320, 240}, true, 320, 160},
        {{-5000, -2500, 5000, 2500}, {1024, 768}, {320, 240}, true, 320, 160},
        // Halves round to even: 0.5, 1.5, 2.5 -> 0, 2, 2.
        {{0, 0, 50, 150}, {1, 1}, {1, 1}, true, 0, 2},
        {{0, 0, 250, 0}, {1, 1}, {1, 1}, true, 2, 0},
        {{0, 0, 10000, 5000}, {0, 768}, {320, 240}, false, 0, 0},
        {{0, 0, 10000, 5000}, {1024, 768}, {320, 0}, false, 0, 0},
        {{0, 0, 10000, 5000}, {-1024, 768}, {320, 240}, false, 0, 0},
        {{10000, 0, 0, 5000}, {1024, 768}, {320, 240}, false, 0, 0},
        {{INT_MIN, 0, INT_MAX, 5000}, {INT_MAX, 768}, {1, 240}, false, 0, 0},
    };
    for (const Case& C : Cases) {
        ENHMETAHEADER Header{};
        Header.rclFrame = C.Frame;
        Header.szlDevice = C.Pixels;
        Header.szlMillimeters = C.Millimetres;
        int Width = -1, Height = -1;
        ASSERT_EQ(MetafilePixelSize(Header, Width, Height), C.Valid)
            << C.Frame.left << "," << C.Frame.right << " " << C.Pixels.cx << "/" << C.Millimetres.cx;
        if (C.Valid) {
            EXPECT_EQ(Width, C.Width);
            EXPECT_EQ(Height, C.Height);
        }
    }
}

TEST(Bitmap, TooLargeToCopy)
{
    UniqueBitmap Huge(CreateBitmap(20000, 20000, 1, 1, nullptr));
    ASSERT_TRUE(Huge);
    EXPECT_EQ(MessageOf<EOutOfResources>([&] { TBitmap Copy(Huge.Get(), nullptr); }),
              "ビットマップに必要なメモリを確保できません");
    EXPECT_EQ(MessageOf<EInvalidGraphic>([] { TBitmap Copy(nullptr, nullptr); }), UnsupportedData);
}

// Packed DIB bytes that lie, put as CF_DIB: Wine makes CF_BITMAP from them.
void PutRawDib(const std::vector<BYTE>& Bytes)
{
    HGLOBAL Memory = GlobalAlloc(GMEM_MOVEABLE, Bytes.size());
    std::memcpy(GlobalLock(Memory), Bytes.data(), Bytes.size());
    GlobalUnlock(Memory);
    if (!SetClipboardData(CF_DIB, Memory))
        GlobalFree(Memory);
}

std::vector<BYTE> DibHeader(LONG Width, LONG Height, WORD Bits, size_t Extra)
{
    BITMAPINFOHEADER Header{};
    Header.biSize = sizeof Header;
    Header.biWidth = Width;
    Header.biHeight = Height;
    Header.biPlanes = 1;
    Header.biBitCount = Bits;
    Header.biCompression = BI_RGB;
    std::vector<BYTE> Bytes(sizeof Header + Extra, 0x55);
    std::memcpy(Bytes.data(), &Header, sizeof Header);
    return Bytes;
}

TEST(Clipboard, MalformedBitmapData)
{
    struct Case {
        const char* Name;
        std::vector<BYTE> Bytes;
        std::string Outcome;
    } Cases[] = {
        {"pixels missing", DibHeader(4000, 4000, 32, 100), UnsupportedData},
        {"header cut short", std::vector<BYTE>(12, 0x28), UnsupportedData},
        {"negative width", DibHeader(-16, 16, 32, 16 * 16 * 4), UnsupportedData},
        {"odd depth", DibHeader(16, 16, 7, 16 * 16), UnsupportedData},
        // Wine would hand out a 1 x 1 bitmap for it, and its conversion
        // corrupts the reading process: refused before it is asked for.
        {"zero height", DibHeader(16, 0, 32, 64), UnsupportedData},
    };
    for (const Case& C : Cases) {
        PutOnClipboard([&] { PutRawDib(C.Bytes); });
        std::string Outcome = "loaded";
        try {
            TPicture Picture;
            Picture.Assign(Clipboard());
            Outcome += " " + std::to_string(Picture.Width()) + "x" + std::to_string(Picture.Height());
        } catch (const std::exception& E) {
            Outcome = E.what();
        }
        EXPECT_EQ(Outcome, C.Outcome) << C.Name;
    }
}

} // namespace
