// Media type helpers for our own filters: format blocks and whole AM_MEDIA_TYPEs live in
// task memory, as the graph expects of anything a pin hands out.
#pragma once

#include <dshow.h>

#include "unique_resource.h"

namespace kvo::dshow {

// Frees the format block and releases pUnk; leaves the GUIDs and sample fields as they are.
void FreeMediaTypeFormat(AM_MEDIA_TYPE& type);
// Frees what the type owns and zeroes all of it.
void ClearMediaType(AM_MEDIA_TYPE& type);
// Deep copy into *target (which owns nothing yet). On E_OUTOFMEMORY *target owns nothing.
HRESULT CopyMediaType(const AM_MEDIA_TYPE& source, AM_MEDIA_TYPE* target);
// A deep copy in task memory, as IEnumMediaTypes::Next hands out; nullptr when out of memory.
AM_MEDIA_TYPE* NewMediaTypeCopy(const AM_MEDIA_TYPE& source);
// Frees a type from NewMediaTypeCopy (or any task-memory AM_MEDIA_TYPE); nullptr is fine.
void DeleteMediaType(AM_MEDIA_TYPE* type);

// Owner of a media type handed out by the framework (GetFormat, GetStreamCaps): frees the
// format block, the extra interface and the type itself exactly once.
class UniqueMediaType
    : public UniqueResource<NullIsInvalid<AM_MEDIA_TYPE*, CloseWith<DeleteMediaType>>> {
 public:
  AM_MEDIA_TYPE* operator->() const { return get(); }
  // A video-info format block large enough to read the whole header from.
  VIDEOINFOHEADER* VideoInfo() const;
};

}  // namespace kvo::dshow
