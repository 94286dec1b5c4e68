// Gets and sets against a stand-in filter in-process: what the library does with statuses
// the simulated camera never answers to well-formed calls (a rejected get, a failing first
// trigger call, a filter without property sets), and that the handle's filter reference
// is released exactly once.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "camera_handle.h"
#include "driver_records.h"

namespace kvo::cm {
namespace {

constexpr HRESULT kRejected = static_cast<HRESULT>(0x80070490);

class StandInFilter : public IBaseFilter, public IKsPropertySet {
 public:
  explicit StandInFilter(bool offers_properties) : offers_properties_(offers_properties) {}

  STDMETHODIMP QueryInterface(REFIID iid, void** object) override {
    if (object == nullptr) return E_POINTER;
    *object = nullptr;
    if (iid == IID_IUnknown || iid == IID_IBaseFilter || iid == IID_IPersist ||
        iid == IID_IMediaFilter)
      *object = static_cast<IBaseFilter*>(this);
    else if (iid == IID_IKsPropertySet && offers_properties_)
      *object = static_cast<IKsPropertySet*>(this);
    else
      return E_NOINTERFACE;
    AddRef();
    return S_OK;
  }
  STDMETHODIMP_(ULONG) AddRef() override { return ++references; }
  STDMETHODIMP_(ULONG) Release() override { return --references; }  // lives on the stack

  STDMETHODIMP GetClassID(CLSID*) override { return E_NOTIMPL; }
  STDMETHODIMP Stop() override { return E_NOTIMPL; }
  STDMETHODIMP Pause() override { return E_NOTIMPL; }
  STDMETHODIMP Run(REFERENCE_TIME) override { return E_NOTIMPL; }
  STDMETHODIMP GetState(DWORD, FILTER_STATE*) override { return E_NOTIMPL; }
  STDMETHODIMP SetSyncSource(IReferenceClock*) override { return E_NOTIMPL; }
  STDMETHODIMP GetSyncSource(IReferenceClock**) override { return E_NOTIMPL; }
  STDMETHODIMP EnumPins(IEnumPins**) override { return E_NOTIMPL; }
  STDMETHODIMP FindPin(LPCWSTR, IPin**) override { return E_NOTIMPL; }
  STDMETHODIMP QueryFilterInfo(FILTER_INFO*) override { return E_NOTIMPL; }
  STDMETHODIMP JoinFilterGraph(IFilterGraph*, LPCWSTR) override { return E_NOTIMPL; }
  STDMETHODIMP QueryVendorInfo(LPWSTR*) override { return E_NOTIMPL; }

  // Answers each call with the next of statuses (then 0), writing nothing back.
  STDMETHODIMP Set(REFGUID, DWORD id, LPVOID, DWORD, LPVOID data, DWORD length) override {
    calls.push_back({true, id, length, std::string(static_cast<char*>(data), length)});
    return NextStatus();
  }
  STDMETHODIMP Get(REFGUID, DWORD id, LPVOID, DWORD, LPVOID data, DWORD length,
                   DWORD* returned) override {
    calls.push_back({false, id, length, std::string(static_cast<char*>(data), length)});
    *returned = 0;
    return NextStatus();
  }
  STDMETHODIMP QuerySupported(REFGUID, DWORD, DWORD*) override { return E_NOTIMPL; }

  struct Call {
    bool is_set;
    DWORD id;
    DWORD length;
    std::string record;
  };
  std::vector<Call> calls;
  std::vector<HRESULT> statuses;
  ULONG references = 0;

 private:
  HRESULT NextStatus() {
    if (statuses.empty()) return S_OK;
    const HRESULT status = statuses.front();
    statuses.erase(statuses.begin());
    return status;
  }
  bool offers_properties_;
};

class CameraPropertiesTest : public ::testing::Test {
 protected:
  // The filter outlives the handle: it belongs to the fixture, which closes the handle.
  StandInFilter& Bind(bool offers_properties) {
    filter_ = std::make_unique<StandInFilter>(offers_properties);
    handle_ = new CM_Handle();
    handle_->Filter = static_cast<IBaseFilter*>(filter_.get());
    return *filter_;
  }
  void TearDown() override {
    if (handle_ != nullptr) {
      EXPECT_TRUE(CM_Close(handle_));
    }
  }
  std::unique_ptr<StandInFilter> filter_;
  CM_Handle* handle_ = nullptr;
};

TEST_F(CameraPropertiesTest, RejectedGetLeavesZeroAndReturnsTheDriversStatus) {
  StandInFilter& filter = Bind(true);
  filter.statuses = {kRejected, kRejected};
  int32_t value = 12345;
  EXPECT_EQ(static_cast<int>(kRejected), CM_GetProperties(handle_, CM_ID_ZOOM_MAX, &value));
  EXPECT_EQ(0, value);
  char path[300];
  std::memset(path, '#', sizeof(path));
  EXPECT_EQ(static_cast<int>(kRejected), CM_GetProperties(handle_, CM_ID_OVERLAY_FILE, path));
  EXPECT_STREQ("", path);
  ASSERT_EQ(2u, filter.calls.size());
  EXPECT_EQ(9u, filter.calls[0].id);
  EXPECT_EQ(288u, filter.calls[1].length);
  EXPECT_EQ(1u, filter.references) << "only the handle holds the filter between calls";
  // A driver get without somewhere to put the answer is not sent.
  EXPECT_EQ(1, CM_GetProperties(handle_, CM_ID_BRIGHTNESS, nullptr));
  EXPECT_EQ(2u, filter.calls.size());
}

TEST_F(CameraPropertiesTest, TriggerReportsOnlyTheSecondCall) {
  StandInFilter& filter = Bind(true);
  filter.statuses = {kRejected, S_OK};
  EXPECT_EQ(0, CM_SetProperties(handle_, CM_ID_TRIGGER_ENABLE, nullptr));
  filter.statuses = {S_OK, E_FAIL};
  EXPECT_EQ(static_cast<int>(E_FAIL), CM_SetProperties(handle_, CM_ID_TRIGGER_ENABLE, nullptr));
  ASSERT_EQ(4u, filter.calls.size());
  VideoControlModeRecord second;
  std::memcpy(&second, filter.calls[1].record.data(), sizeof(second));
  EXPECT_EQ(1u, second.stream_index);
  EXPECT_EQ(4u, second.mode);
}

TEST_F(CameraPropertiesTest, FilterWithoutPropertySetsFailsWithOne) {
  Bind(false);
  int32_t value = 3;
  EXPECT_EQ(1, CM_GetProperties(handle_, CM_ID_BRIGHTNESS, &value));
  EXPECT_EQ(3, value);
  EXPECT_EQ(1, CM_SetProperties(handle_, CM_ID_BRIGHTNESS, &value));
  EXPECT_EQ(1, CM_SetProperties(handle_, CM_ID_TRIGGER_ENABLE, nullptr));
  // Unsupported ids and the operations without meaning in a direction do nothing.
  EXPECT_EQ(0, CM_SetProperties(handle_, 39, &value));
  EXPECT_EQ(1, CM_GetProperties(handle_, 1013, &value));
  EXPECT_EQ(0, CM_SetProperties(handle_, 2500, &value));
  EXPECT_EQ(1, CM_GetProperties(handle_, 2500, &value));
  EXPECT_EQ(0, CM_SetProperties(handle_, CM_ID_DEVICE_NAME, &value));
}

TEST_F(CameraPropertiesTest, CloseReleasesTheFilterOnce) {
  StandInFilter& filter = Bind(true);
  int32_t value = 0;
  CM_GetProperties(handle_, CM_ID_BRIGHTNESS, &value);
  CM_SetProperties(handle_, CM_ID_SAVE, nullptr);
  EXPECT_EQ(1u, filter.references);
  EXPECT_TRUE(CM_Close(handle_));
  handle_ = nullptr;
  EXPECT_EQ(0u, filter.references);
}

}  // namespace
}  // namespace kvo::cm
