// halvex-win32-screenshots FOLDER ESF-FILE: the user guide's pictures of the Windows dialogs,
// taken from the real windows under Wine (the Qt pictures come from halvex-screenshots).
//
// The bus-type dialog; every page of a KNX record whose catalogue comes from ESF-FILE, with a
// few assignments; the network page of a WLAN record; the pages of an EnOcean record with
// three transmitters (in German).
#include <wincodec.h>

#include <cstdio>
#include <filesystem>
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

// Shoots the tabs of the main dialog from the last one down to `first` as
// FOLDER/windows-PREFIX-N.png, then cancels the dialog.
void ShootTabs(host::DialogDriver& d, const std::wstring& folder, const std::wstring& prefix,
               bool& ok, int first = 0) {
    for (auto i = static_cast<int>(d.TabTexts().size()); i-- > first;) {
        d.SelectTab(i);
        ok = Shoot(MainWindow(d),
                   folder + L"\\windows-" + prefix + L"-" + std::to_wstring(i + 1) + L".png") &&
             ok;
    }
    d.Press(ids::kCancel);
}

int Run(const std::wstring& folder, const std::filesystem::path& esf) {
    bool ok = true;
    std::string failure;
    std::string failures;
    // The bus-type question of a new record.
    std::free(RunCall(
        nullptr, 0,
        [&](host::DialogDriver& driver) {
            driver.SetBusTypeScript([&](host::DialogDriver& d) {
                ok = Shoot(static_cast<HWND>(d.Window()), folder + L"\\windows-bus-type.png") && ok;
            });
            driver.SetMainScript([](host::DialogDriver& d) { d.Press(ids::kCancel); });
        },
        failure));
    failures += failure;

    // A KNX record: the catalogue imported, 0/0/1 and 1/0/0 (1 bit) on the first scene and
    // channel 1's 1-bit output, 1/0/2 (1 byte) on its 1-byte output, then every page.
    KnxRecordPlan plan;
    plan.scenes = 2;
    plan.deviceTypes = {10};
    plan.deviceCount = 1;
    plan.deviceTable = MakeDeviceTable({{"Spot", 40}});
    const std::vector<uint8_t> knx = BuildKnxRecord(plan);
    std::free(RunCall(
        &knx, 0,
        [&](host::DialogDriver& driver) {
            driver.SetMainScript([&](host::DialogDriver& d) {
                ok = d.ImportFile(esf) == true && ok;
                for (auto [slot, output, address] :
                     {std::tuple{0, 0, 0x0001}, {0, 0, 0x0800}, {2, 0, 0x0800}, {2, 2, 0x0802}}) {
                    ok = d.AssignEntry(slot, output, address) == true && ok;
                }
                ShootTabs(d, folder, L"knx", ok);
            });
        },
        failure));
    failures += failure;

    // The network page of a WLAN gateway.
    plan.flagsA = 0x03;
    const std::vector<uint8_t> wlan = BuildKnxRecord(plan);
    std::free(RunCall(
        &wlan, 0,
        [&](host::DialogDriver& driver) {
            driver.SetMainScript(
                [&](host::DialogDriver& d) { ShootTabs(d, folder, L"wlan", ok, 6); });
        },
        failure));
    failures += failure;

    // An EnOcean record: transmitters instead of group addresses.
    const std::vector<uint8_t> enOcean = ThreeTransmitterRecord();
    std::free(RunCall(
        &enOcean, 1,
        [&](host::DialogDriver& driver) {
            driver.SetMainScript(
                [&](host::DialogDriver& d) { ShootTabs(d, folder, L"enocean", ok); });
        },
        failure));
    failures += failure;
    if (!failures.empty())
        std::cerr << failures << "\n";
    return ok && failures.empty() ? 0 : 1;
}

}  // namespace
}  // namespace halvex::test

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fputs("usage: halvex-win32-screenshots FOLDER ESF-FILE\n", stderr);
        return 2;
    }
    const std::filesystem::path folder = std::filesystem::absolute(argv[1]);
    return halvex::test::Run(folder.wstring(), std::filesystem::absolute(argv[2]));
}
