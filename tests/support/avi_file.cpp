#include "avi_file.h"

#include <unordered_map>

namespace kvo {
namespace {

struct Chunk {
  std::string id;
  size_t header = 0;  // offset of the chunk's id
  size_t body = 0;    // offset of the chunk's data
  uint32_t size = 0;  // bytes of data, without the pad byte
  size_t next = 0;    // offset of the following chunk
};

bool IsDigit(char c) { return c >= '0' && c <= '9'; }
bool IsStreamChunkId(const std::string& id) {
  return id.size() == 4 && IsDigit(id[0]) && IsDigit(id[1]);
}

struct MovieChunk {
  std::string id;
  uint32_t size = 0;
};

class Reader {
 public:
  Reader(const uint8_t* data, size_t size) : data_(data), size_(size) {}

  AviReadResult Read();

 private:
  bool Fail(const std::string& what, size_t offset);
  bool NextChunk(size_t position, size_t end, Chunk* chunk);
  bool ListType(const Chunk& chunk, std::string* type);
  bool ReadRiff(size_t position, size_t* next);
  bool ReadRiffBody(size_t position, size_t end, bool first);
  bool ReadHeaderList(size_t position, size_t end);
  bool ReadMainHeader(const Chunk& chunk);
  bool ReadStreamList(size_t position, size_t end);
  bool ReadStreamHeader(const Chunk& chunk, AviStream* stream);
  bool ReadStreamFormat(const Chunk& chunk, AviStream* stream);
  bool ReadMovie(size_t position, size_t end, bool first, int depth);
  bool CountMovieChunk(const Chunk& chunk, bool first);
  bool ReadIndex(const Chunk& chunk);
  bool IndexMatchesChunks() const;

  uint32_t U32(size_t offset) const {
    return uint32_t(data_[offset]) | uint32_t(data_[offset + 1]) << 8 |
           uint32_t(data_[offset + 2]) << 16 | uint32_t(data_[offset + 3]) << 24;
  }
  uint16_t U16(size_t offset) const {
    return static_cast<uint16_t>(data_[offset] | data_[offset + 1] << 8);
  }
  std::string FourCc(size_t offset) const {
    std::string text;
    for (size_t i = 0; i < 4; ++i) {
      const char c = static_cast<char>(data_[offset + i]);
      text += (c >= 32 && c < 127) ? c : '.';
    }
    return text;
  }

  const uint8_t* data_;
  size_t size_;
  AviReadResult result_;
  bool seen_main_header_ = false;
  bool seen_movie_ = false;
  size_t first_movie_offset_ = 0;  // offset of the first movie list's "movi" type
  std::unordered_map<size_t, MovieChunk> first_movie_chunks_;  // by header offset
};

bool Reader::Fail(const std::string& what, size_t offset) {
  if (result_.error.empty()) result_.error = what + " at offset " + std::to_string(offset);
  return false;
}

bool Reader::NextChunk(size_t position, size_t end, Chunk* chunk) {
  if (end - position < 8) return Fail("chunk header cut short", position);
  chunk->id = FourCc(position);
  chunk->header = position;
  chunk->size = U32(position + 4);
  chunk->body = position + 8;
  if (chunk->size > end - chunk->body) {
    return Fail("chunk '" + chunk->id + "' of " + std::to_string(chunk->size) +
                    " bytes runs past its container",
                position);
  }
  const size_t padded = chunk->body + chunk->size + (chunk->size & 1);
  // The pad byte of a container's last chunk is sometimes left out.
  chunk->next = padded > end ? end : padded;
  return true;
}

bool Reader::ListType(const Chunk& chunk, std::string* type) {
  if (chunk.size < 4) return Fail("list without a type", chunk.header);
  *type = FourCc(chunk.body);
  return true;
}

AviReadResult Reader::Read() {
  size_t position = 0;
  if (size_ == 0) {
    Fail("empty file", 0);
    return result_;
  }
  while (position < size_) {
    // Bytes after the last RIFF that do not start another are counted, not read: Wine's
    // mux leaves a few there.
    if (result_.file.riff_count > 0 && (size_ - position < 4 || FourCc(position) != "RIFF")) {
      result_.file.trailing_bytes = size_ - position;
      break;
    }
    size_t next = 0;
    if (!ReadRiff(position, &next)) return result_;
    position = next;
  }
  if (!seen_main_header_) {
    Fail("no main header (avih)", 0);
    return result_;
  }
  if (!seen_movie_) {
    Fail("no movie list", 0);
    return result_;
  }
  result_.file.index_matches_chunks = result_.file.has_index && IndexMatchesChunks();
  result_.ok = true;
  return result_;
}

bool Reader::ReadRiff(size_t position, size_t* next) {
  Chunk riff;
  if (!NextChunk(position, size_, &riff)) return false;
  if (riff.id != "RIFF") return Fail("expected RIFF, found '" + riff.id + "'", position);
  std::string form;
  if (!ListType(riff, &form)) return false;
  const bool first = result_.file.riff_count == 0;
  if (first && form != "AVI ") return Fail("not an AVI file (form '" + form + "')", position);
  if (!first && form != "AVIX") return Fail("unexpected RIFF form '" + form + "'", position);
  ++result_.file.riff_count;
  *next = riff.next;
  return ReadRiffBody(riff.body + 4, riff.body + riff.size, first);
}

bool Reader::ReadRiffBody(size_t position, size_t end, bool first) {
  while (position < end) {
    Chunk chunk;
    if (!NextChunk(position, end, &chunk)) return false;
    if (chunk.id == "LIST") {
      std::string type;
      if (!ListType(chunk, &type)) return false;
      const size_t list_end = chunk.body + chunk.size;
      if (type == "hdrl") {
        if (!first) return Fail("header list in an extension", chunk.header);
        if (!ReadHeaderList(chunk.body + 4, list_end)) return false;
      } else if (type == "movi") {
        if (first) first_movie_offset_ = chunk.body;
        seen_movie_ = true;
        if (!ReadMovie(chunk.body + 4, list_end, first, 0)) return false;
      }
    } else if (chunk.id == "idx1") {
      if (!ReadIndex(chunk)) return false;
    }
    position = chunk.next;
  }
  return true;
}

bool Reader::ReadHeaderList(size_t position, size_t end) {
  while (position < end) {
    Chunk chunk;
    if (!NextChunk(position, end, &chunk)) return false;
    if (chunk.id == "avih") {
      if (!ReadMainHeader(chunk)) return false;
    } else if (chunk.id == "LIST") {
      std::string type;
      if (!ListType(chunk, &type)) return false;
      if (type == "strl") {
        if (!ReadStreamList(chunk.body + 4, chunk.body + chunk.size)) return false;
      } else if (type == "odml") {
        Chunk dmlh;
        if (chunk.size >= 12 && NextChunk(chunk.body + 4, chunk.body + chunk.size, &dmlh) &&
            dmlh.id == "dmlh" && dmlh.size >= 4) {
          result_.file.extended_total_frames = U32(dmlh.body);
        }
        if (!result_.error.empty()) return false;
      }
    }
    position = chunk.next;
  }
  return true;
}

bool Reader::ReadMainHeader(const Chunk& chunk) {
  if (chunk.size < 40) return Fail("main header too short", chunk.header);
  AviFile& file = result_.file;
  file.micro_seconds_per_frame = U32(chunk.body);
  file.total_frames = U32(chunk.body + 16);
  file.stream_count = U32(chunk.body + 24);
  file.width = U32(chunk.body + 32);
  file.height = U32(chunk.body + 36);
  seen_main_header_ = true;
  return true;
}

bool Reader::ReadStreamList(size_t position, size_t end) {
  AviStream stream;
  bool has_header = false;
  while (position < end) {
    Chunk chunk;
    if (!NextChunk(position, end, &chunk)) return false;
    if (chunk.id == "strh") {
      if (!ReadStreamHeader(chunk, &stream)) return false;
      has_header = true;
    } else if (chunk.id == "strf") {
      if (!has_header) return Fail("stream format before stream header", chunk.header);
      if (!ReadStreamFormat(chunk, &stream)) return false;
    }
    position = chunk.next;
  }
  if (!has_header) return Fail("stream list without stream header", position);
  if (result_.file.streams.size() >= 100) return Fail("more than 100 streams", position);
  result_.file.streams.push_back(stream);
  return true;
}

bool Reader::ReadStreamHeader(const Chunk& chunk, AviStream* stream) {
  if (chunk.size < 40) return Fail("stream header too short", chunk.header);
  stream->type = FourCc(chunk.body);
  stream->handler = FourCc(chunk.body + 4);
  stream->scale = U32(chunk.body + 20);
  stream->rate = U32(chunk.body + 24);
  stream->length = U32(chunk.body + 32);
  stream->suggested_buffer_size = U32(chunk.body + 36);
  return true;
}

bool Reader::ReadStreamFormat(const Chunk& chunk, AviStream* stream) {
  if (stream->type == "vids") {
    if (chunk.size < 40) return Fail("video format too short", chunk.header);
    stream->width = static_cast<int32_t>(U32(chunk.body + 4));
    stream->height = static_cast<int32_t>(U32(chunk.body + 8));
    stream->bit_count = U16(chunk.body + 14);
    stream->compression = U32(chunk.body + 16);
    stream->size_image = U32(chunk.body + 20);
  } else if (stream->type == "auds") {
    if (chunk.size < 16) return Fail("audio format too short", chunk.header);
    stream->format_tag = U16(chunk.body);
    stream->channels = U16(chunk.body + 2);
    stream->samples_per_second = U32(chunk.body + 4);
    stream->bits_per_sample = U16(chunk.body + 14);
  }
  return true;
}

bool Reader::ReadMovie(size_t position, size_t end, bool first, int depth) {
  while (position < end) {
    Chunk chunk;
    if (!NextChunk(position, end, &chunk)) return false;
    if (chunk.id == "LIST") {
      std::string type;
      if (!ListType(chunk, &type)) return false;
      if (type != "rec ") return Fail("unexpected list '" + type + "' in movie", chunk.header);
      if (depth > 0) return Fail("nested rec list", chunk.header);
      if (!ReadMovie(chunk.body + 4, chunk.body + chunk.size, first, depth + 1)) return false;
    } else if (!CountMovieChunk(chunk, first)) {
      return false;
    }
    position = chunk.next;
  }
  return true;
}

bool Reader::CountMovieChunk(const Chunk& chunk, bool first) {
  // Index chunks (ix##) and padding (JUNK) are no stream data.
  if (!IsStreamChunkId(chunk.id)) return true;
  const char tens = chunk.id[0], ones = chunk.id[1];
  const size_t number = static_cast<size_t>((tens - '0') * 10 + (ones - '0'));
  if (number >= result_.file.streams.size()) {
    return Fail("chunk '" + chunk.id + "' of a stream without header", chunk.header);
  }
  AviStream& stream = result_.file.streams[number];
  if (stream.chunk_count == 0 || chunk.size < stream.smallest_chunk) {
    stream.smallest_chunk = chunk.size;
  }
  if (chunk.size > stream.largest_chunk) stream.largest_chunk = chunk.size;
  ++stream.chunk_count;
  stream.chunk_bytes += chunk.size;
  if (first) first_movie_chunks_[chunk.header] = MovieChunk{chunk.id, chunk.size};
  return true;
}

bool Reader::ReadIndex(const Chunk& chunk) {
  if (chunk.size % 16 != 0) return Fail("index size not a multiple of 16", chunk.header);
  AviFile& file = result_.file;
  file.has_index = true;
  for (size_t entry = chunk.body; entry < chunk.body + chunk.size; entry += 16) {
    file.index.push_back(AviIndexEntry{FourCc(entry), U32(entry + 4), U32(entry + 8),
                                       U32(entry + 12)});
  }
  return true;
}

// idx1 offsets count from the "movi" type of the first movie list; some writers count
// from the start of the file instead. Whichever the first entry fits decides.
bool Reader::IndexMatchesChunks() const {
  constexpr uint32_t kListEntry = 0x00000001;  // AVIIF_LIST: a rec list, no data chunk
  std::vector<const AviIndexEntry*> data_entries;
  for (const AviIndexEntry& entry : result_.file.index) {
    // Lists and entries that name no stream (Wine's mux writes one "7Fxx" for its
    // extended index) have no data chunk to match.
    if (!(entry.flags & kListEntry) && IsStreamChunkId(entry.id)) data_entries.push_back(&entry);
  }
  if (data_entries.size() != first_movie_chunks_.size()) return false;
  if (data_entries.empty()) return true;
  const bool relative =
      first_movie_chunks_.count(first_movie_offset_ + data_entries[0]->offset) > 0;
  const size_t base = relative ? first_movie_offset_ : 0;
  for (const AviIndexEntry* entry : data_entries) {
    auto found = first_movie_chunks_.find(base + entry->offset);
    if (found == first_movie_chunks_.end()) return false;
    if (found->second.id != entry->id || found->second.size != entry->size) return false;
  }
  return true;
}

}  // namespace

AviReadResult ReadAvi(const uint8_t* data, size_t size) {
  if (!data && size != 0) {
    AviReadResult result;
    result.error = "no data";
    return result;
  }
  return Reader(data, size).Read();
}

AviReadResult ReadAvi(const std::vector<uint8_t>& bytes) {
  return ReadAvi(bytes.data(), bytes.size());
}

uint32_t FramesOf(const AviFile& file, size_t stream) {
  return stream < file.streams.size() ? file.streams[stream].chunk_count : 0;
}

}  // namespace kvo
