// halvex-win32-screenshots FOLDER ESF-FILE: the user guide's pictures of the Windows dialogs,
// taken from the real windows under Wine (the Qt pictures come from halvex-screenshots).
//
// The bus-type dialog; every page of a KNX record whose catalogue comes from ESF-FILE, with a
// few assignments; the network page of a WLAN record; the pages of an EnOcean record with
// three transmitters (in German).
#include <wincodec.h>

#include <cstdio>
#include <iostream>

#include "win32/Win32Driver.h"

namespace halvex::test {
namespace {

template <typename T>
void Release(T*& object) {
    if (object != nullptr)
        object->Release();
    object = nullptr;
}

// The window as the screen shows it, written as PNG.
bool Shoot(HWND window, const std::wstring& path) {
    // Painted completely before the picture is taken.
    RedrawWindow(window, nullptr, nullptr,
                 RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_UPDATENOW | RDW_ALLCHILDREN);
    std::this_thread::sleep_for(std::chrono::milliseconds(400));
    CoInitializeEx(nullptr, COINIT_MULTITHREADED);  // on the driving thread, once is enough
    RECT r{};
    GetWindowRect(window, &r);
    const int width = r.right - r.left;
    const int height = r.bottom - r.top;
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, width, height);
    HGDIOBJ old = SelectObject(memory, bitmap);
    BitBlt(memory, 0, 0, width, height, screen, r.left, r.top, SRCCOPY);
    SelectObject(memory, old);

    IWICImagingFactory* factory = nullptr;
    IWICBitmap* source = nullptr;
    IWICStream* stream = nullptr;
    IWICBitmapEncoder* encoder = nullptr;
    IWICBitmapFrameEncode* frame = nullptr;
    WICPixelFormatGUID format = GUID_WICPixelFormat24bppBGR;
    const bool written =
        SUCCEEDED(CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER,
                                   IID_PPV_ARGS(&factory))) &&
        SUCCEEDED(
            factory->CreateBitmapFromHBITMAP(bitmap, nullptr, WICBitmapIgnoreAlpha, &source)) &&
        SUCCEEDED(factory->CreateStream(&stream)) &&
        SUCCEEDED(stream->InitializeFromFilename(path.c_str(), GENERIC_WRITE)) &&
        SUCCEEDED(factory->CreateEncoder(GUID_ContainerFormatPng, nullptr, &encoder)) &&
        SUCCEEDED(encoder->Initialize(stream, WICBitmapEncoderNoCache)) &&
        SUCCEEDED(encoder->CreateNewFrame(&frame, nullptr)) &&
        SUCCEEDED(frame->Initialize(nullptr)) &&
        SUCCEEDED(frame->SetSize(static_cast<UINT>(width), static_cast<UINT>(height))) &&
        SUCCEEDED(frame->SetPixelFormat(&format)) &&
        SUCCEEDED(frame->WriteSource(source, nullptr)) && SUCCEEDED(frame->Commit()) &&
        SUCCEEDED(encoder->Commit());
    Release(frame);
    Release(encoder);
    Release(stream);
    Release(source);
    Release(factory);
    DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    return written;
}

// Shoots the tabs of the main dialog `caption` from the last one down to `first` as
// FOLDER/windows-PREFIX-N.png.
void ShootTabs(Driver& d, const std::wstring& caption, const std::wstring& folder,
               const std::wstring& prefix, bool& ok, int first = 0) {
    HWND main = d.Main(caption);
    HWND tabs = GetDlgItem(main, ids::kPageTabs);
    const int count = static_cast<int>(SendMessageW(tabs, TCM_GETITEMCOUNT, 0, 0));
    for (int i = count; i-- > first;) {
        Driver::ClickTab(tabs, i);
        ok = Shoot(main,
                   folder + L"\\windows-" + prefix + L"-" + std::to_wstring(i + 1) + L".png") &&
             ok;
    }
}

int Run(const std::wstring& folder, const std::wstring& esf) {
    bool ok = true;
    std::string failure;
    // The bus-type question of a new record.
    RunCall(
        nullptr, 0,
        [&](Driver& d) {
            HWND bus = d.Dialog(L"Selection");
            ok = Shoot(bus, folder + L"\\windows-bus-type.png") && ok;
            Driver::Press(bus, ids::kBusCancel);
        },
        failure);

    // A KNX record: the catalogue imported, two group addresses on the first scene and the
    // first channel, then every page.
    KnxRecordPlan plan;
    plan.scenes = 2;
    plan.deviceTypes = {10};
    plan.deviceCount = 1;
    plan.deviceTable = MakeDeviceTable({{"Spot", 40}});
    const std::vector<uint8_t> knx = BuildKnxRecord(plan);
    std::free(RunCall(
        &knx, 0,
        [&](Driver& d) {
            HWND main = d.Main(L"KNX");
            Driver::Press(main, ids::kImportEsf);
            HWND open = d.Dialog(L"Open");
            HWND name = GetDlgItem(open, cmb13) != nullptr ? GetDlgItem(open, cmb13)
                                                           : GetDlgItem(open, edt1);
            SendMessageW(name, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(esf.c_str()));
            Driver::Press(open, IDOK);
            std::this_thread::sleep_for(std::chrono::seconds(2));
            const UINT assign = RegisterWindowMessageW(L"HalvexAssignEntry");
            // 0/0/1 and 1/0/0 (1 bit) on the first scene and channel 1's 1-bit output, 1/0/2
            // (1 byte) on its 1-byte output.
            for (auto [slot, output, address] :
                 {std::tuple{0, 0, 0x0001}, {0, 0, 0x0800}, {2, 0, 0x0800}, {2, 2, 0x0802}}) {
                SendMessageW(main, assign, MAKEWPARAM(output, slot), address);
            }
            ShootTabs(d, L"KNX", folder, L"knx", ok);
            Driver::Press(main, ids::kCancel);
        },
        failure));

    // The network page of a WLAN gateway.
    plan.flagsA = 0x03;
    const std::vector<uint8_t> wlan = BuildKnxRecord(plan);
    std::free(RunCall(
        &wlan, 0,
        [&](Driver& d) {
            ShootTabs(d, L"WLAN", folder, L"wlan", ok, 6);
            Driver::Press(d.Dialog(L"WLAN"), ids::kCancel);
        },
        failure));

    // An EnOcean record: transmitters instead of group addresses.
    const std::vector<uint8_t> enOcean = ThreeTransmitterRecord();
    std::free(RunCall(
        &enOcean, 1,
        [&](Driver& d) {
            ShootTabs(d, L"EnOcean", folder, L"enocean", ok);
            Driver::Press(d.Dialog(L"EnOcean"), ids::kCancel);
        },
        failure));
    if (!failure.empty())
        std::cerr << failure << "\n";
    return ok && failure.empty() ? 0 : 1;
}

}  // namespace
}  // namespace halvex::test

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fputs("usage: halvex-win32-screenshots FOLDER ESF-FILE\n", stderr);
        return 2;
    }
    return halvex::test::Run(halvex::test::WinePath(argv[1]), halvex::test::WinePath(argv[2]));
}
