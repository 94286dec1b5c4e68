#include <gtest/gtest.h>
#include <wrl/client.h>

#include <cstring>
#include <vector>

#include "dshow/enumerators.h"
#include "dshow/live_count.h"
#include "dshow/media_type.h"
#include "unique_resource.h"

using Microsoft::WRL::ComPtr;

namespace {

// A type with a format block, so copies must be deep.
AM_MEDIA_TYPE TypeWithFormat(BYTE fill, ULONG size) {
  AM_MEDIA_TYPE type = {};
  type.majortype = MEDIATYPE_Video;
  type.subtype = MEDIASUBTYPE_RGB24;
  type.lSampleSize = fill;
  type.cbFormat = size;
  type.pbFormat = static_cast<BYTE*>(CoTaskMemAlloc(size));
  std::memset(type.pbFormat, fill, size);
  return type;
}

class DshowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    types_.push_back(TypeWithFormat(1, 16));
    types_.push_back(TypeWithFormat(2, 32));
    types_.push_back(TypeWithFormat(3, 8));
  }
  void TearDown() override {
    for (AM_MEDIA_TYPE& type : types_) kvo::dshow::FreeMediaTypeFormat(type);
    EXPECT_EQ(live_, 0) << "an enumerator outlived its last reference";
  }
  ComPtr<IEnumMediaTypes> TypeEnumerator() {
    ComPtr<IEnumMediaTypes> types;
    EXPECT_EQ(kvo::dshow::CreateMediaTypeEnumerator(types_.data(), types_.size(), &live_,
                                                    &types),
              S_OK);
    return types;
  }
  // Takes the next type and gives its sample size (our marker), -1 when none came.
  static long NextMarker(IEnumMediaTypes* types) {
    AM_MEDIA_TYPE* type = nullptr;
    ULONG fetched = 0;
    if (types->Next(1, &type, &fetched) != S_OK || fetched != 1) return -1;
    const long marker = type->lSampleSize;
    kvo::dshow::DeleteMediaType(type);
    return marker;
  }

  kvo::ComApartment apartment_;
  LONG live_ = 0;
  std::vector<AM_MEDIA_TYPE> types_;
};

TEST_F(DshowTest, MediaTypeEnumeratorHandsOutDeepCopiesInOrder) {
  ComPtr<IEnumMediaTypes> types = TypeEnumerator();
  EXPECT_EQ(live_, 1);
  AM_MEDIA_TYPE* got[4] = {};
  ULONG fetched = 0;
  EXPECT_EQ(types->Next(4, got, &fetched), S_FALSE);
  ASSERT_EQ(fetched, 3u);
  for (ULONG i = 0; i < fetched; ++i) {
    ASSERT_EQ(got[i]->cbFormat, types_[i].cbFormat);
    EXPECT_NE(got[i]->pbFormat, types_[i].pbFormat);
    EXPECT_EQ(std::memcmp(got[i]->pbFormat, types_[i].pbFormat, got[i]->cbFormat), 0);
    kvo::dshow::DeleteMediaType(got[i]);
  }
  EXPECT_EQ(types->Next(1, got, &fetched), S_FALSE);
  EXPECT_EQ(fetched, 0u);
}

TEST_F(DshowTest, SkipResetAndCloneKeepThePosition) {
  ComPtr<IEnumMediaTypes> types = TypeEnumerator();
  EXPECT_EQ(types->Skip(1), S_OK);
  ComPtr<IEnumMediaTypes> clone;
  ASSERT_EQ(types->Clone(&clone), S_OK);
  EXPECT_EQ(live_, 2);
  EXPECT_EQ(NextMarker(types.Get()), 2);
  EXPECT_EQ(NextMarker(clone.Get()), 2) << "the clone starts where the original stood";
  EXPECT_EQ(types->Skip(5), S_FALSE) << "only one type was left";
  EXPECT_EQ(NextMarker(types.Get()), -1);
  EXPECT_EQ(types->Reset(), S_OK);
  EXPECT_EQ(NextMarker(types.Get()), 1);
  clone.Reset();
  EXPECT_EQ(live_, 1);
}

TEST_F(DshowTest, EnumeratorKeepsItsOwnSnapshot) {
  ComPtr<IEnumMediaTypes> types = TypeEnumerator();
  std::memset(types_[0].pbFormat, 9, types_[0].cbFormat);
  AM_MEDIA_TYPE* type = nullptr;
  ASSERT_EQ(types->Next(1, &type, nullptr), S_OK);
  EXPECT_EQ(type->pbFormat[0], 1) << "a later change of the source list shows through";
  kvo::dshow::DeleteMediaType(type);
}

TEST_F(DshowTest, RefusesMissingPointers) {
  ComPtr<IEnumMediaTypes> types = TypeEnumerator();
  AM_MEDIA_TYPE* got[2] = {};
  EXPECT_EQ(types->Next(2, got, nullptr), E_POINTER) << "two asked without a count to fill";
  EXPECT_EQ(types->Next(1, nullptr, nullptr), E_POINTER);
  EXPECT_EQ(types->Clone(nullptr), E_POINTER);
  EXPECT_EQ(kvo::dshow::CreateMediaTypeEnumerator(types_.data(), 1, &live_, nullptr), E_POINTER);
  ComPtr<IUnknown> unknown;
  EXPECT_EQ(types.As(&unknown), S_OK);
  ComPtr<IEnumPins> wrong;
  EXPECT_EQ(types.As(&wrong), E_NOINTERFACE);
}

TEST_F(DshowTest, PinEnumeratorHoldsThePinsUntilReleased) {
  // Wine's AVI Mux has pins of its own to list.
  ComPtr<IBaseFilter> mux;
  ASSERT_EQ(CoCreateInstance(CLSID_AviDest, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&mux)),
            S_OK);
  ComPtr<IEnumPins> own;
  ASSERT_EQ(mux->EnumPins(&own), S_OK);
  IPin* pins[4] = {};
  ULONG count = 0;
  own->Next(4, pins, &count);
  ASSERT_GE(count, 1u);

  ComPtr<IEnumPins> listed;
  ASSERT_EQ(kvo::dshow::CreatePinEnumerator(pins, count, &live_, &listed), S_OK);
  for (ULONG i = 0; i < count; ++i) pins[i]->Release();
  own.Reset();
  mux.Reset();  // from here on only the enumerator keeps the pins (and their filter) alive
  ComPtr<IEnumPins> clone;
  ASSERT_EQ(listed->Clone(&clone), S_OK);
  EXPECT_EQ(live_, 2);
  for (ULONG i = 0; i < count; ++i) {
    IPin* pin = nullptr;
    ASSERT_EQ(clone->Next(1, &pin, nullptr), S_OK);
    EXPECT_EQ(pin, pins[i]) << "pin " << i;
    PIN_DIRECTION direction;
    EXPECT_EQ(pin->QueryDirection(&direction), S_OK) << "the pin is still alive";
    pin->Release();
  }
  IPin* none = nullptr;
  ULONG fetched = 7;
  EXPECT_EQ(clone->Next(1, &none, &fetched), S_FALSE);
  EXPECT_EQ(fetched, 0u);
  EXPECT_EQ(listed->Skip(count), S_OK);
  EXPECT_EQ(listed->Skip(1), S_FALSE);
  listed.Reset();
  clone.Reset();
}

TEST(LiveCountTest, CountsForItsLifetimeAndToleratesNoCounter) {
  LONG count = 0;
  {
    kvo::dshow::LiveCount first(&count);
    kvo::dshow::LiveCount second(&count);
    kvo::dshow::LiveCount nowhere(nullptr);
    EXPECT_EQ(count, 2);
  }
  EXPECT_EQ(count, 0);
}

TEST(MediaTypeTest, CopyAndClearOwnTheFormatBlock) {
  AM_MEDIA_TYPE source = TypeWithFormat(5, 12);
  AM_MEDIA_TYPE copy;
  ASSERT_EQ(kvo::dshow::CopyMediaType(source, &copy), S_OK);
  EXPECT_TRUE(IsEqualGUID(copy.subtype, MEDIASUBTYPE_RGB24));
  ASSERT_NE(copy.pbFormat, source.pbFormat);
  EXPECT_EQ(std::memcmp(copy.pbFormat, source.pbFormat, 12), 0);
  kvo::dshow::ClearMediaType(copy);
  EXPECT_EQ(copy.pbFormat, nullptr);
  EXPECT_EQ(copy.cbFormat, 0u);
  EXPECT_TRUE(IsEqualGUID(copy.majortype, GUID_NULL));
  kvo::dshow::FreeMediaTypeFormat(source);
  EXPECT_EQ(source.pbFormat, nullptr);
  EXPECT_TRUE(IsEqualGUID(source.majortype, MEDIATYPE_Video)) << "only the format goes";
  kvo::dshow::DeleteMediaType(nullptr);
}

}  // namespace
