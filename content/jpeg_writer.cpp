#include "content/jpeg_writer.h"

#include <jerror.h>
#include <jpeglib.h>

#include <csetjmp>
#include <cstdio>
#include <new>

namespace content {
namespace {

struct ErrorManager {
  jpeg_error_mgr pub;
  jmp_buf jump;
  char message[JMSG_LENGTH_MAX];
};

[[noreturn]] void ErrorExit(j_common_ptr cinfo) {
  ErrorManager* err = reinterpret_cast<ErrorManager*>(cinfo->err);
  (*cinfo->err->format_message)(cinfo, err->message);
  std::longjmp(err->jump, 1);
}

void OutputMessage(j_common_ptr) {}

// Collects the encoded bytes in a vector, one chunk at a time.
struct VectorDestination {
  jpeg_destination_mgr pub;
  std::vector<uint8_t>* out;
  uint8_t chunk[16384];
};

void InitDestination(j_compress_ptr cinfo) {
  VectorDestination* dest = reinterpret_cast<VectorDestination*>(cinfo->dest);
  dest->pub.next_output_byte = dest->chunk;
  dest->pub.free_in_buffer = sizeof dest->chunk;
}

bool Append(VectorDestination* dest, size_t count) {
  try {
    dest->out->insert(dest->out->end(), dest->chunk, dest->chunk + count);
  } catch (const std::bad_alloc&) {
    return false;
  }
  return true;
}

boolean EmptyOutputBuffer(j_compress_ptr cinfo) {
  VectorDestination* dest = reinterpret_cast<VectorDestination*>(cinfo->dest);
  if (!Append(dest, sizeof dest->chunk)) ERREXIT(cinfo, JERR_OUT_OF_MEMORY);
  dest->pub.next_output_byte = dest->chunk;
  dest->pub.free_in_buffer = sizeof dest->chunk;
  return TRUE;
}

void TermDestination(j_compress_ptr cinfo) {
  VectorDestination* dest = reinterpret_cast<VectorDestination*>(cinfo->dest);
  if (!Append(dest, sizeof dest->chunk - dest->pub.free_in_buffer)) {
    ERREXIT(cinfo, JERR_OUT_OF_MEMORY);
  }
}

struct Encoder {
  jpeg_compress_struct cinfo;
  ErrorManager err;
  VectorDestination dest;
};

// Runs libjpeg; no object with a destructor lives in this frame, so a jump
// back from an error skips nothing.
bool Encode(Encoder* e, int width, int height, int channels, const uint8_t* pixels, int quality,
            const JpegWriteOptions& options) {
  j_compress_ptr cinfo = &e->cinfo;
  cinfo->err = jpeg_std_error(&e->err.pub);
  e->err.pub.error_exit = ErrorExit;
  e->err.pub.output_message = OutputMessage;
  e->err.message[0] = '\0';
  if (setjmp(e->err.jump)) {
    jpeg_destroy_compress(cinfo);
    return false;
  }
  jpeg_create_compress(cinfo);
  e->dest.pub.init_destination = InitDestination;
  e->dest.pub.empty_output_buffer = EmptyOutputBuffer;
  e->dest.pub.term_destination = TermDestination;
  cinfo->dest = &e->dest.pub;

  cinfo->image_width = static_cast<JDIMENSION>(width);
  cinfo->image_height = static_cast<JDIMENSION>(height);
  cinfo->input_components = channels;
  cinfo->in_color_space = channels == 1 ? JCS_GRAYSCALE : channels == 3 ? JCS_RGB : JCS_CMYK;
  jpeg_set_defaults(cinfo);
  if (channels == 4) {
    jpeg_set_colorspace(cinfo, options.ycck ? JCS_YCCK : JCS_CMYK);
    cinfo->write_Adobe_marker = options.adobeMarker ? TRUE : FALSE;
  }
  jpeg_set_quality(cinfo, quality, TRUE);
  if (options.fullChroma || channels != 3) {
    for (int c = 0; c < cinfo->num_components; ++c) {
      cinfo->comp_info[c].h_samp_factor = 1;
      cinfo->comp_info[c].v_samp_factor = 1;
    }
  }
  cinfo->restart_interval = static_cast<unsigned int>(options.restartInterval);
  if (options.progressive) jpeg_simple_progression(cinfo);

  jpeg_start_compress(cinfo, TRUE);
  const size_t stride = size_t(width) * size_t(channels);
  while (cinfo->next_scanline < cinfo->image_height) {
    JSAMPROW row = const_cast<JSAMPROW>(pixels + size_t(cinfo->next_scanline) * stride);
    jpeg_write_scanlines(cinfo, &row, 1);
  }
  jpeg_finish_compress(cinfo);
  jpeg_destroy_compress(cinfo);
  return true;
}

}  // namespace

bool EncodeJpeg(int width, int height, int channels, const uint8_t* pixels, int quality,
                const JpegWriteOptions& options, std::vector<uint8_t>* out, std::string* error) {
  std::string ignored;
  std::string& why = error != nullptr ? *error : ignored;
  if (out == nullptr || pixels == nullptr) {
    why = "no pixels or no output";
    return false;
  }
  if (width <= 0 || height <= 0 || width > 65500 || height > 65500) {
    why = "size out of range";
    return false;
  }
  if (channels != 1 && channels != 3 && channels != 4) {
    why = "channels must be 1, 3 or 4";
    return false;
  }
  if (quality < 1 || quality > 100 || options.restartInterval < 0 ||
      options.restartInterval > 65535) {
    why = "quality or restart interval out of range";
    return false;
  }
  out->clear();
  Encoder* e = new (std::nothrow) Encoder();
  if (e == nullptr) {
    why = "out of memory";
    return false;
  }
  e->dest.out = out;
  const bool ok = Encode(e, width, height, channels, pixels, quality, options);
  if (!ok) {
    why = e->err.message;
    out->clear();
  }
  delete e;
  return ok;
}

bool WriteJpeg(const std::string& path, int width, int height, int channels, const uint8_t* pixels,
               int quality, const JpegWriteOptions& options, std::string* error) {
  std::vector<uint8_t> bytes;
  if (!EncodeJpeg(width, height, channels, pixels, quality, options, &bytes, error)) return false;
  FILE* file = std::fopen(path.c_str(), "wb");
  if (file == nullptr) {
    if (error != nullptr) *error = "cannot create " + path;
    return false;
  }
  const bool written = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
  const bool closed = std::fclose(file) == 0;
  if (!written || !closed) {
    if (error != nullptr) *error = "cannot write " + path;
    return false;
  }
  return true;
}

}  // namespace content
