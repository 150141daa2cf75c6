#include "platform/jpeg.h"

#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <new>
#include <vector>

// jpeglib.h needs size_t and FILE declared first.
#include <jerror.h>
#include <jpeglib.h>

#include "platform/files.h"

namespace platform {
namespace {

// A file needing more scans than this is hostile: progressive files use about
// ten, and each further scan costs a pass over the whole coefficient buffer.
constexpr int kMaxScans = 256;
// Working memory libjpeg may use for whole-image buffers (progressive files).
constexpr long kMaxDecoderMemory = 512L << 20;

// libjpeg reports a fatal error by calling error_exit, which must not return:
// ours jumps back to the call that started the decoding step. Warnings come
// through emit_message; the ones that mean damaged data jump back too.
struct ErrorManager {
  jpeg_error_mgr pub;
  jmp_buf jump;
  char message[JMSG_LENGTH_MAX];
};

void RecordMessage(j_common_ptr cinfo) {
  ErrorManager* err = reinterpret_cast<ErrorManager*>(cinfo->err);
  err->message[0] = '\0';
  (*cinfo->err->format_message)(cinfo, err->message);
}

[[noreturn]] void ErrorExit(j_common_ptr cinfo) {
  RecordMessage(cinfo);
  std::longjmp(reinterpret_cast<ErrorManager*>(cinfo->err)->jump, 1);
}

// Warnings that say nothing about the pixels; every other warning reports data
// that libjpeg would otherwise patch over with grey or garbage.
bool HarmlessWarning(int code) {
  return code == JWRN_ADOBE_XFORM || code == JWRN_JFIF_MAJOR || code == JWRN_BOGUS_ICC;
}

void EmitMessage(j_common_ptr cinfo, int level) {
  if (level >= 0) return;  // trace output
  if (HarmlessWarning(cinfo->err->msg_code)) return;
  ErrorExit(cinfo);
}

void OutputMessage(j_common_ptr) {}  // nothing is ever printed

void ProgressMonitor(j_common_ptr cinfo) {
  if (!cinfo->is_decompressor) return;
  j_decompress_ptr dinfo = reinterpret_cast<j_decompress_ptr>(cinfo);
  if (dinfo->input_scan_number > kMaxScans) {
    ErrorManager* err = reinterpret_cast<ErrorManager*>(cinfo->err);
    std::snprintf(err->message, sizeof err->message, "more than %d scans", kMaxScans);
    std::longjmp(err->jump, 1);
  }
}

}  // namespace

struct JpegState {
  jpeg_decompress_struct cinfo;
  ErrorManager err;
  jpeg_progress_mgr progress;
  std::vector<uint8_t> file;  // the file's bytes when read by name
  bool fileLoaded = false;
  std::vector<uint8_t> cmykRow;
};

namespace {

// Each step below runs between a setjmp and libjpeg's calls; it holds no C++
// object with a destructor so that a jump out of libjpeg skips nothing.

bool CreateDecoder(JpegState* s) {
  s->cinfo.err = jpeg_std_error(&s->err.pub);
  s->err.pub.error_exit = ErrorExit;
  s->err.pub.emit_message = EmitMessage;
  s->err.pub.output_message = OutputMessage;
  s->err.message[0] = '\0';
  if (setjmp(s->err.jump)) return false;
  jpeg_create_decompress(&s->cinfo);
  s->progress.progress_monitor = ProgressMonitor;
  s->cinfo.progress = &s->progress;
  s->cinfo.mem->max_memory_to_use = kMaxDecoderMemory;
  return true;
}

bool ReadHeader(JpegState* s, const uint8_t* bytes, size_t size) {
  if (setjmp(s->err.jump)) {
    jpeg_abort_decompress(&s->cinfo);
    return false;
  }
  jpeg_abort_decompress(&s->cinfo);
  jpeg_mem_src(&s->cinfo, bytes, static_cast<unsigned long>(size));
  jpeg_read_header(&s->cinfo, TRUE);
  return true;
}

inline uint8_t InkToLight(unsigned c, unsigned k) {
  // Adobe stores 255 - ink; the light left is the product of both.
  return static_cast<uint8_t>((c * k + 127) / 255);
}

// Decodes the image whose header ReadHeader has just read. The caller has
// checked the output description against the header.
bool DecodeImage(JpegState* s, uint8_t* out, size_t stride, size_t padBytes) {
  j_decompress_ptr cinfo = &s->cinfo;
  if (setjmp(s->err.jump)) {
    jpeg_abort_decompress(cinfo);
    return false;
  }
  const bool ink = cinfo->jpeg_color_space == JCS_CMYK || cinfo->jpeg_color_space == JCS_YCCK;
  cinfo->out_color_space = ink ? JCS_CMYK : JCS_RGB;
  cinfo->scale_num = 1;
  cinfo->scale_denom = 1;
  cinfo->buffered_image = FALSE;
  jpeg_start_decompress(cinfo);
  const JDIMENSION width = cinfo->output_width;
  uint8_t* cmyk = ink ? s->cmykRow.data() : nullptr;
  while (cinfo->output_scanline < cinfo->output_height) {
    uint8_t* row = out + size_t(cinfo->output_scanline) * stride;
    JSAMPROW target = ink ? cmyk : row;
    if (jpeg_read_scanlines(cinfo, &target, 1) != 1) {
      // Suspension cannot happen with a memory source; treat it as damage.
      jpeg_abort_decompress(cinfo);
      return false;
    }
    if (ink) {
      for (JDIMENSION x = 0; x < width; ++x) {
        const uint8_t* p = cmyk + 4 * size_t(x);
        row[3 * x + 0] = InkToLight(p[0], p[3]);
        row[3 * x + 1] = InkToLight(p[1], p[3]);
        row[3 * x + 2] = InkToLight(p[2], p[3]);
      }
    }
    if (padBytes > 0) std::memset(row + 3 * size_t(width), 0, padBytes);
  }
  jpeg_finish_decompress(cinfo);
  return true;
}

int Fail(JpegProperties* props, const char* why) {
  props->reason = why;
  return 1;
}

int FailWithDecoderMessage(JpegProperties* props, const char* what) {
  props->reason = what;
  if (props->state->err.message[0] != '\0') {
    props->reason += ": ";
    props->reason += props->state->err.message;
  }
  return 1;
}

// Reads the header of the record's source into the decoder; false with the
// reason when the file cannot be had or its header is not a readable JPEG.
bool LoadHeader(JpegProperties* props) {
  JpegState* s = props->state;
  const uint8_t* bytes = props->jpgBytes;
  size_t size = props->jpgSize;
  if (bytes == nullptr) {
    if (!s->fileLoaded) {
      if (!ReadWholeFile(props->jpgFile, &s->file, kJpegMaxFileBytes, &props->reason)) {
        return false;
      }
      s->fileLoaded = true;
    }
    bytes = s->file.data();
    size = s->file.size();
  }
  if (size == 0) {
    props->reason = "the file is empty";
    return false;
  }
  if (size > kJpegMaxFileBytes) {
    props->reason = "file too large";
    return false;
  }
  s->err.message[0] = '\0';
  if (!ReadHeader(s, bytes, size)) {
    FailWithDecoderMessage(props, "it is not a readable JPEG picture");
    return false;
  }
  props->jpgWidth = static_cast<int>(s->cinfo.image_width);
  props->jpgHeight = static_cast<int>(s->cinfo.image_height);
  props->jpgChannels = s->cinfo.num_components;
  return true;
}

}  // namespace

JpegProperties::~JpegProperties() {
  if (state != nullptr) JpegFree(this);
}

int JpegInit(JpegProperties* props) {
  if (props == nullptr) return 1;
  if (props->state != nullptr) return Fail(props, "already initialised");
  JpegState* s = new (std::nothrow) JpegState();
  if (s == nullptr) return Fail(props, "out of memory");
  if (!CreateDecoder(s)) {
    props->reason = std::string("cannot create decoder: ") + s->err.message;
    jpeg_destroy_decompress(&s->cinfo);
    delete s;
    return 1;
  }
  props->state = s;
  props->reason.clear();
  return 0;
}

int JpegRead(JpegProperties* props, int ioType) {
  if (props == nullptr) return 1;
  if (props->state == nullptr) return Fail(props, "not initialised");
  if (ioType != kJpegReadParams && ioType != kJpegReadWholeImage) {
    return Fail(props, "unknown I/O type");
  }
  if (!LoadHeader(props)) return 1;
  if (ioType == kJpegReadParams) {
    props->reason.clear();
    return 0;
  }

  JpegState* s = props->state;
  const jpeg_decompress_struct& cinfo = s->cinfo;
  const int channels = cinfo.num_components;
  if (channels != 1 && channels != 3 && channels != 4) {
    return Fail(props, "unsupported channel count");
  }
  if (channels == 4) {
    if (cinfo.jpeg_color_space != JCS_CMYK && cinfo.jpeg_color_space != JCS_YCCK) {
      return Fail(props, "unsupported colour space");
    }
    // Without Adobe's marker nothing says whether the ink is stored inverted.
    if (!cinfo.saw_Adobe_marker) return Fail(props, "four channels without an Adobe marker");
  }
  const uint64_t width = cinfo.image_width;
  const uint64_t height = cinfo.image_height;
  if (width == 0 || height == 0 || width * height > kJpegMaxPixels) {
    return Fail(props, "picture too large");
  }
  if (props->dibWidth != static_cast<int>(width) || props->dibHeight != static_cast<int>(height) ||
      props->dibChannels != 3 || props->dibPadBytes < 0 || props->dibBytes == nullptr) {
    return Fail(props, "output does not match the picture");
  }
  const uint64_t stride = 3 * width + uint64_t(props->dibPadBytes);
  if (uint64_t(props->dibSize) < stride * height) return Fail(props, "output buffer too small");
  if (channels == 4) {
    try {
      s->cmykRow.assign(4 * width, 0);
    } catch (const std::bad_alloc&) {
      return Fail(props, "out of memory");
    }
  }
  s->err.message[0] = '\0';
  if (!DecodeImage(s, props->dibBytes, size_t(stride), size_t(props->dibPadBytes))) {
    return FailWithDecoderMessage(props, "bad image data");
  }
  props->reason.clear();
  return 0;
}

int JpegFree(JpegProperties* props) {
  if (props == nullptr) return 1;
  if (props->state == nullptr) return Fail(props, "not initialised");
  jpeg_destroy_decompress(&props->state->cinfo);
  delete props->state;
  props->state = nullptr;
  props->reason.clear();
  return 0;
}

}  // namespace platform
