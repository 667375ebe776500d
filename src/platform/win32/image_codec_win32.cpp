// Windows' own codecs: the Windows Imaging Component decodes every format
// it has a codec for (scaled by the codec itself where it can), writes the
// thumbnail's JPEG, and the shell gives a video's frame as Explorer shows it.
#include <windows.h>
#include <objbase.h>
#include <propidl.h>
#include <shobjidl.h>
#include <wincodec.h>

#include <algorithm>
#include <cstring>
#include <utility>

#include "platform/image_codec.h"
#include "platform/win32/file_stream.h"

// MinGW's wincodec.h leaves out the interface through which a codec decodes
// a picture already scaled; it is declared here as the Windows SDK's
// wincodec.idl has it.
// NOLINTNEXTLINE(readability-identifier-naming): the interface's own name
struct IWICBitmapSourceTransform : public IUnknown {
  virtual HRESULT STDMETHODCALLTYPE CopyPixels(const WICRect* rect, UINT width, UINT height,
                                               WICPixelFormatGUID* format,
                                               WICBitmapTransformOptions transform, UINT stride,
                                               UINT buffer_size, BYTE* buffer) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetClosestSize(UINT* width, UINT* height) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetClosestPixelFormat(WICPixelFormatGUID* format) = 0;
  virtual HRESULT STDMETHODCALLTYPE DoesSupportTransform(WICBitmapTransformOptions transform,
                                                         BOOL* supported) = 0;
};

namespace orvane::platform {

namespace {

// {3B16811B-6A43-4ec9-B713-3D5A0C13B940}
constexpr IID kSourceTransformId = {
    0x3b16811b, 0x6a43, 0x4ec9, {0xb7, 0x13, 0x3d, 0x5a, 0x0c, 0x13, 0xb9, 0x40}};

template <typename T>
struct ComTraits {
  using Handle = T*;
  static Handle Invalid() { return nullptr; }
  static void Close(Handle handle) { handle->Release(); }
};
template <typename T>
using ComPtr = UniqueResource<ComTraits<T>>;

struct BitmapTraits {
  using Handle = HBITMAP;
  static Handle Invalid() { return nullptr; }
  static void Close(Handle handle) { DeleteObject(handle); }
};

// COM on this thread for the scope: a worker joins the multithreaded
// apartment; a thread already in an apartment of its own keeps it.
class ComApartment {
 public:
  ComApartment() : result_(CoInitializeEx(nullptr, COINIT_MULTITHREADED)) {}
  ~ComApartment() {
    if (SUCCEEDED(result_)) CoUninitialize();
  }
  ComApartment(const ComApartment&) = delete;
  ComApartment& operator=(const ComApartment&) = delete;

 private:
  HRESULT result_;
};

ComPtr<IWICImagingFactory> NewFactory() {
  IWICImagingFactory* factory = nullptr;
  if (FAILED(CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER,
                              IID_IWICImagingFactory, reinterpret_cast<void**>(&factory)))) {
    return {};
  }
  return ComPtr<IWICImagingFactory>(factory);
}

// Copies `source` (any format) as 32-bit premultiplied BGRA, a band of rows
// at a time, and hands each row laid over white as 24-bit BGR to `sink`.
// False when the codec fails (a damaged picture).
bool SendRows(IWICImagingFactory& factory, IWICBitmapSource& source, PixelSize size,
              PixelRowSink& sink) {
  IWICFormatConverter* raw_converter = nullptr;
  if (FAILED(factory.CreateFormatConverter(&raw_converter))) return false;
  const ComPtr<IWICFormatConverter> converter(raw_converter);
  if (FAILED(converter.get()->Initialize(&source, GUID_WICPixelFormat32bppPBGRA,
                                         WICBitmapDitherTypeNone, nullptr, 0.0,
                                         WICBitmapPaletteTypeCustom))) {
    return false;
  }
  constexpr int kBand = 16;
  const UINT stride = static_cast<UINT>(size.width) * 4;
  std::vector<BYTE> band(static_cast<std::size_t>(stride) * kBand);
  std::vector<std::uint8_t> row(static_cast<std::size_t>(size.width) * 3);
  for (int y = 0; y < size.height; y += kBand) {
    const int rows = std::min(kBand, size.height - y);
    const WICRect rect{0, y, size.width, rows};
    if (FAILED(converter.get()->CopyPixels(&rect, stride, stride * static_cast<UINT>(rows),
                                           band.data()))) {
      return false;
    }
    for (int r = 0; r < rows; ++r) {
      const BYTE* in = band.data() + static_cast<std::size_t>(r) * stride;
      std::uint8_t* out = row.data();
      for (int x = 0; x < size.width; ++x, in += 4, out += 3) {
        // Premultiplied: over white is the colour plus the white let through.
        const int clear = 255 - in[3];
        for (int c = 0; c < 3; ++c)
          out[c] = static_cast<std::uint8_t>(std::min(255, in[c] + clear));
      }
      sink.TakeRow(row.data());
    }
  }
  return true;
}

// The EXIF orientation in a frame's metadata, at the places the containers
// that carry one keep it (JPEG's APP1, TIFF's and camera RAW's first IFD);
// 0 when none is found.
int OrientationOf(IWICBitmapFrameDecode& frame) {
  IWICMetadataQueryReader* raw_reader = nullptr;
  if (FAILED(frame.GetMetadataQueryReader(&raw_reader))) return 0;
  const ComPtr<IWICMetadataQueryReader> reader(raw_reader);
  for (const wchar_t* query : {L"/app1/ifd/{ushort=274}", L"/ifd/{ushort=274}"}) {
    PROPVARIANT value;
    PropVariantInit(&value);
    const HRESULT result = reader.get()->GetMetadataByName(query, &value);
    const int orientation = SUCCEEDED(result) && value.vt == VT_UI2 ? value.uiVal : 0;
    PropVariantClear(&value);
    if (orientation >= 1 && orientation <= 8) return orientation;
  }
  return 0;
}

}  // namespace

struct PictureDecoder::Impl {
  ComApartment apartment;  // first, so that it ends after every object below
  ComPtr<IWICImagingFactory> factory;
  ComPtr<IWICBitmapDecoder> decoder;
  ComPtr<IWICBitmapFrameDecode> frame;
  ComPtr<IWICBitmapSourceTransform> transform;  // null when the codec cannot scale
  PixelSize full;
  std::vector<PixelSize> native;
  int orientation = 0;
};

PictureDecoder::PictureDecoder(std::unique_ptr<Impl> impl) : impl_(std::move(impl)) {}
PictureDecoder::PictureDecoder(PictureDecoder&&) noexcept = default;
PictureDecoder& PictureDecoder::operator=(PictureDecoder&&) noexcept = default;
PictureDecoder::~PictureDecoder() = default;

std::optional<PictureDecoder> PictureDecoder::Open(const FileName& name) {
  std::optional<ReadOnlyFile> file = ReadOnlyFile::OpenRegular(name);
  if (!file) return std::nullopt;
  auto impl = std::make_unique<Impl>();
  impl->factory = NewFactory();
  if (!impl->factory) return std::nullopt;
  const ComPtr<IStream> stream(NewFileStream(std::move(*file)));
  if (!stream) return std::nullopt;
  IWICBitmapDecoder* decoder = nullptr;
  // The codec is picked by the file's content, not its name.
  if (FAILED(impl->factory.get()->CreateDecoderFromStream(
          stream.get(), nullptr, WICDecodeMetadataCacheOnDemand, &decoder))) {
    return std::nullopt;
  }
  impl->decoder.reset(decoder);
  IWICBitmapFrameDecode* frame = nullptr;
  if (FAILED(decoder->GetFrame(0, &frame))) return std::nullopt;
  impl->frame.reset(frame);
  UINT width = 0;
  UINT height = 0;
  if (FAILED(frame->GetSize(&width, &height)) || width == 0 || height == 0 || width > 0x7FFFFFFF ||
      height > 0x7FFFFFFF) {
    return std::nullopt;
  }
  impl->full = {static_cast<int>(width), static_cast<int>(height)};
  impl->native = {impl->full};
  void* transform = nullptr;
  if (SUCCEEDED(frame->QueryInterface(kSourceTransformId, &transform))) {
    impl->transform.reset(static_cast<IWICBitmapSourceTransform*>(transform));
    // Ask for a half, a quarter and an eighth; the codec answers with the
    // sizes it really makes.
    for (const UINT divisor : {2U, 4U, 8U}) {
      UINT w = (width + divisor - 1) / divisor;
      UINT h = (height + divisor - 1) / divisor;
      if (FAILED(impl->transform.get()->GetClosestSize(&w, &h)) || w == 0 || h == 0 || w > width ||
          h > height) {
        continue;
      }
      const PixelSize size{static_cast<int>(w), static_cast<int>(h)};
      if (std::find(impl->native.begin(), impl->native.end(), size) == impl->native.end()) {
        impl->native.push_back(size);
      }
    }
  }
  impl->orientation = OrientationOf(*frame);
  return PictureDecoder(std::move(impl));
}

PixelSize PictureDecoder::full_size() const { return impl_->full; }
const std::vector<PixelSize>& PictureDecoder::native_sizes() const { return impl_->native; }
int PictureDecoder::orientation() const { return impl_->orientation; }

bool PictureDecoder::Decode(PixelSize size, PixelRowSink& sink) {
  Impl& impl = *impl_;
  if (std::find(impl.native.begin(), impl.native.end(), size) == impl.native.end()) return false;
  if (size == impl.full) return SendRows(*impl.factory.get(), *impl.frame.get(), size, sink);
  // The codec decodes straight to the smaller size, in a format it picks
  // near 32-bit BGRA; that small picture then goes the same way.
  WICPixelFormatGUID format = GUID_WICPixelFormat32bppBGRA;
  if (FAILED(impl.transform.get()->GetClosestPixelFormat(&format))) return false;
  IWICComponentInfo* raw_info = nullptr;
  if (FAILED(impl.factory.get()->CreateComponentInfo(format, &raw_info))) return false;
  const ComPtr<IWICComponentInfo> info(raw_info);
  void* pixel_info = nullptr;
  if (FAILED(info.get()->QueryInterface(IID_IWICPixelFormatInfo, &pixel_info))) return false;
  const ComPtr<IWICPixelFormatInfo> format_info(static_cast<IWICPixelFormatInfo*>(pixel_info));
  UINT bits = 0;
  if (FAILED(format_info.get()->GetBitsPerPixel(&bits)) || bits == 0) return false;
  const UINT stride = (static_cast<UINT>(size.width) * bits + 31) / 32 * 4;
  std::vector<BYTE> pixels(static_cast<std::size_t>(stride) *
                           static_cast<std::size_t>(size.height));
  if (FAILED(impl.transform.get()->CopyPixels(
          nullptr, static_cast<UINT>(size.width), static_cast<UINT>(size.height), &format,
          WICBitmapTransformRotate0, stride, static_cast<UINT>(pixels.size()), pixels.data()))) {
    return false;
  }
  IWICBitmap* raw_bitmap = nullptr;
  if (FAILED(impl.factory.get()->CreateBitmapFromMemory(
          static_cast<UINT>(size.width), static_cast<UINT>(size.height), format, stride,
          static_cast<UINT>(pixels.size()), pixels.data(), &raw_bitmap))) {
    return false;
  }
  const ComPtr<IWICBitmap> bitmap(raw_bitmap);
  return SendRows(*impl.factory.get(), *bitmap.get(), size, sink);
}

ImageDecoders SystemImageDecoders() { return ImageDecoders::kWindowsImaging; }

namespace {

// A collecting sink for the video frame.
class FrameSink final : public PixelRowSink {
 public:
  explicit FrameSink(Pixels& frame) : frame_(frame) {}
  void TakeRow(const std::uint8_t* row) override {
    frame_.bytes.insert(frame_.bytes.end(), row, row + frame_.stride());
  }

 private:
  Pixels& frame_;
};

// The file's own path as the shell parses it: the handle's final path
// without the "\\?\" the system puts before it ("\\?\UNC\" becomes "\\").
std::optional<std::wstring> ShellPath(const ReadOnlyFile& file) {
  const auto handle = reinterpret_cast<HANDLE>(file.native());
  std::wstring path(MAX_PATH, L'\0');
  for (int attempt = 0; attempt < 2; ++attempt) {
    const DWORD length =
        GetFinalPathNameByHandleW(handle, path.data(), static_cast<DWORD>(path.size()), 0);
    if (length == 0) return std::nullopt;
    if (length < path.size()) {
      path.resize(length);
      if (path.rfind(L"\\\\?\\UNC\\", 0) == 0) return L"\\\\" + path.substr(8);
      if (path.rfind(L"\\\\?\\", 0) == 0) return path.substr(4);
      return path;
    }
    path.assign(length + 1, L'\0');
  }
  return std::nullopt;
}

}  // namespace

std::optional<Pixels> VideoFrame(const FileName& name, int longest_side) {
  const std::optional<ReadOnlyFile> file = ReadOnlyFile::OpenRegular(name);
  if (!file) return std::nullopt;
  const std::optional<std::wstring> path = ShellPath(*file);
  if (!path) return std::nullopt;
  const ComApartment apartment;
  const ComPtr<IWICImagingFactory> factory = NewFactory();
  if (!factory) return std::nullopt;
  IShellItemImageFactory* raw_images = nullptr;
  if (FAILED(SHCreateItemFromParsingName(path->c_str(), nullptr, IID_IShellItemImageFactory,
                                         reinterpret_cast<void**>(&raw_images)))) {
    return std::nullopt;
  }
  const ComPtr<IShellItemImageFactory> images(raw_images);
  HBITMAP raw_frame = nullptr;
  // Only a real thumbnail: the shell's icon for the type is no picture of it.
  if (FAILED(images.get()->GetImage(SIZE{longest_side, longest_side}, SIIGBF_THUMBNAILONLY,
                                    &raw_frame))) {
    return std::nullopt;
  }
  const UniqueResource<BitmapTraits> bitmap_handle(raw_frame);
  IWICBitmap* raw_bitmap = nullptr;
  if (FAILED(factory.get()->CreateBitmapFromHBITMAP(bitmap_handle.get(), nullptr,
                                                    WICBitmapUsePremultipliedAlpha, &raw_bitmap))) {
    return std::nullopt;
  }
  const ComPtr<IWICBitmap> bitmap(raw_bitmap);
  UINT width = 0;
  UINT height = 0;
  if (FAILED(bitmap.get()->GetSize(&width, &height)) || width == 0 || height == 0) {
    return std::nullopt;
  }
  Pixels frame;
  frame.size = {static_cast<int>(width), static_cast<int>(height)};
  FrameSink sink(frame);
  if (!SendRows(*factory.get(), *bitmap.get(), frame.size, sink)) return std::nullopt;
  return frame;
}

std::optional<std::string> EncodeJpeg(const Pixels& image, int quality) {
  if (image.size.width <= 0 || image.size.height <= 0 ||
      image.bytes.size() != image.stride() * static_cast<std::size_t>(image.size.height)) {
    return std::nullopt;
  }
  const ComApartment apartment;
  const ComPtr<IWICImagingFactory> factory = NewFactory();
  if (!factory) return std::nullopt;
  IStream* raw_stream = nullptr;
  if (FAILED(CreateStreamOnHGlobal(nullptr, TRUE, &raw_stream))) return std::nullopt;
  const ComPtr<IStream> stream(raw_stream);
  IWICBitmapEncoder* raw_encoder = nullptr;
  if (FAILED(factory.get()->CreateEncoder(GUID_ContainerFormatJpeg, nullptr, &raw_encoder))) {
    return std::nullopt;
  }
  const ComPtr<IWICBitmapEncoder> encoder(raw_encoder);
  if (FAILED(encoder.get()->Initialize(stream.get(), WICBitmapEncoderNoCache))) return std::nullopt;
  IWICBitmapFrameEncode* raw_frame = nullptr;
  IPropertyBag2* raw_options = nullptr;
  if (FAILED(encoder.get()->CreateNewFrame(&raw_frame, &raw_options))) return std::nullopt;
  const ComPtr<IWICBitmapFrameEncode> frame(raw_frame);
  const ComPtr<IPropertyBag2> options(raw_options);
  PROPBAG2 option{};
  option.pstrName = const_cast<LPOLESTR>(L"ImageQuality");
  VARIANT value;
  VariantInit(&value);
  value.vt = VT_R4;
  value.fltVal = static_cast<float>(quality) / 100.0F;
  if (options) (void)options.get()->Write(1, &option, &value);
  if (FAILED(frame.get()->Initialize(options.get())) ||
      FAILED(frame.get()->SetSize(static_cast<UINT>(image.size.width),
                                  static_cast<UINT>(image.size.height)))) {
    return std::nullopt;
  }
  WICPixelFormatGUID format = GUID_WICPixelFormat24bppBGR;
  if (FAILED(frame.get()->SetPixelFormat(&format)) ||
      !IsEqualGUID(format, GUID_WICPixelFormat24bppBGR)) {
    return std::nullopt;
  }
  // WIC takes the pixels as non-const but only reads them.
  auto* pixels = const_cast<BYTE*>(image.bytes.data());
  if (FAILED(frame.get()->WritePixels(static_cast<UINT>(image.size.height),
                                      static_cast<UINT>(image.stride()),
                                      static_cast<UINT>(image.bytes.size()), pixels)) ||
      FAILED(frame.get()->Commit()) || FAILED(encoder.get()->Commit())) {
    return std::nullopt;
  }
  STATSTG stat{};
  HGLOBAL memory = nullptr;
  if (FAILED(stream.get()->Stat(&stat, STATFLAG_NONAME)) ||
      FAILED(GetHGlobalFromStream(stream.get(), &memory))) {
    return std::nullopt;
  }
  const void* bytes = GlobalLock(memory);
  if (bytes == nullptr) return std::nullopt;
  std::string jpeg(static_cast<const char*>(bytes), static_cast<std::size_t>(stat.cbSize.QuadPart));
  GlobalUnlock(memory);
  return jpeg;
}

}  // namespace orvane::platform
