#include "platform/win32/file_stream.h"

#include <atomic>
#include <new>
#include <utility>

namespace orvane::platform {

namespace {

class FileStream final : public IStream {
 public:
  explicit FileStream(ReadOnlyFile file)
      : file_(std::move(file)), length_(file_.Length().value_or(0)) {}

  // IUnknown
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID id, void** object) override {
    if (object == nullptr) return E_POINTER;
    if (IsEqualIID(id, IID_IUnknown) || IsEqualIID(id, IID_ISequentialStream) ||
        IsEqualIID(id, IID_IStream)) {
      *object = static_cast<IStream*>(this);
      AddRef();
      return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return ++references_; }
  ULONG STDMETHODCALLTYPE Release() override {
    const ULONG left = --references_;
    if (left == 0) delete this;
    return left;
  }

  // ISequentialStream
  HRESULT STDMETHODCALLTYPE Read(void* buffer, ULONG size, ULONG* read) override {
    ULONG filled = 0;
    while (filled < size) {
      const std::int64_t got = file_.Read(static_cast<char*>(buffer) + filled, size - filled);
      if (got < 0) {
        if (read != nullptr) *read = filled;
        return STG_E_READFAULT;
      }
      if (got == 0) break;
      filled += static_cast<ULONG>(got);
    }
    position_ += filled;
    if (read != nullptr) *read = filled;
    return filled == size ? S_OK : S_FALSE;
  }
  HRESULT STDMETHODCALLTYPE Write(const void*, ULONG, ULONG*) override {
    return STG_E_ACCESSDENIED;
  }

  // IStream
  HRESULT STDMETHODCALLTYPE Seek(LARGE_INTEGER move, DWORD origin,
                                 ULARGE_INTEGER* new_position) override {
    std::int64_t base = 0;
    if (origin == STREAM_SEEK_CUR) {
      base = static_cast<std::int64_t>(position_);
    } else if (origin == STREAM_SEEK_END) {
      base = static_cast<std::int64_t>(length_);
    } else if (origin != STREAM_SEEK_SET) {
      return STG_E_INVALIDFUNCTION;
    }
    const std::int64_t target = base + move.QuadPart;
    if (target < 0) return STG_E_INVALIDFUNCTION;
    if (!file_.Seek(static_cast<std::uint64_t>(target))) return STG_E_SEEKERROR;
    position_ = static_cast<std::uint64_t>(target);
    if (new_position != nullptr) new_position->QuadPart = position_;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE SetSize(ULARGE_INTEGER) override { return STG_E_ACCESSDENIED; }
  HRESULT STDMETHODCALLTYPE CopyTo(IStream*, ULARGE_INTEGER, ULARGE_INTEGER*,
                                   ULARGE_INTEGER*) override {
    return E_NOTIMPL;
  }
  HRESULT STDMETHODCALLTYPE Commit(DWORD) override { return S_OK; }
  HRESULT STDMETHODCALLTYPE Revert() override { return STG_E_INVALIDFUNCTION; }
  HRESULT STDMETHODCALLTYPE LockRegion(ULARGE_INTEGER, ULARGE_INTEGER, DWORD) override {
    return STG_E_INVALIDFUNCTION;
  }
  HRESULT STDMETHODCALLTYPE UnlockRegion(ULARGE_INTEGER, ULARGE_INTEGER, DWORD) override {
    return STG_E_INVALIDFUNCTION;
  }
  HRESULT STDMETHODCALLTYPE Stat(STATSTG* stat, DWORD) override {
    if (stat == nullptr) return STG_E_INVALIDPOINTER;
    *stat = STATSTG{};
    stat->type = STGTY_STREAM;
    stat->cbSize.QuadPart = length_;
    stat->grfMode = STGM_READ;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE Clone(IStream**) override { return E_NOTIMPL; }

 private:
  ~FileStream() = default;

  std::atomic<ULONG> references_{1};
  ReadOnlyFile file_;
  const std::uint64_t length_;
  std::uint64_t position_ = 0;
};

}  // namespace

IStream* NewFileStream(ReadOnlyFile file) { return new (std::nothrow) FileStream(std::move(file)); }

}  // namespace orvane::platform
