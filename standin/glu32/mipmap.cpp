// GLU images: gluScaleImage (area-weighted resampling) and the mipmap builders. Images are read
// with the GL's unpack settings and written with its pack settings; the builders scale to power-
// of-two sizes no larger than the GL's limit and upload every level with tight rows.
#include <math.h>
#include <stdint.h>
#include <string.h>
#include <windows.h>
#include <GL/glu.h>

#include <algorithm>
#include <new>
#include <vector>

namespace {

struct PixelStore {
  GLint swapBytes, rowLength, skipRows, skipPixels, alignment;
};

PixelStore ReadStore(bool pack) {
  PixelStore s{};
  glGetIntegerv(pack ? GL_PACK_SWAP_BYTES : GL_UNPACK_SWAP_BYTES, &s.swapBytes);
  glGetIntegerv(pack ? GL_PACK_ROW_LENGTH : GL_UNPACK_ROW_LENGTH, &s.rowLength);
  glGetIntegerv(pack ? GL_PACK_SKIP_ROWS : GL_UNPACK_SKIP_ROWS, &s.skipRows);
  glGetIntegerv(pack ? GL_PACK_SKIP_PIXELS : GL_UNPACK_SKIP_PIXELS, &s.skipPixels);
  glGetIntegerv(pack ? GL_PACK_ALIGNMENT : GL_UNPACK_ALIGNMENT, &s.alignment);
  if (s.alignment != 1 && s.alignment != 2 && s.alignment != 4 && s.alignment != 8) s.alignment = 4;  // no context
  return s;
}

void SetUnpackStore(const PixelStore &s) {
  glPixelStorei(GL_UNPACK_SWAP_BYTES, s.swapBytes);
  glPixelStorei(GL_UNPACK_ROW_LENGTH, s.rowLength);
  glPixelStorei(GL_UNPACK_SKIP_ROWS, s.skipRows);
  glPixelStorei(GL_UNPACK_SKIP_PIXELS, s.skipPixels);
  glPixelStorei(GL_UNPACK_ALIGNMENT, s.alignment);
}

int Components(GLenum format) {
  switch (format) {
    case GL_COLOR_INDEX: case GL_STENCIL_INDEX: case GL_DEPTH_COMPONENT: case GL_RED: case GL_GREEN:
    case GL_BLUE: case GL_ALPHA: case GL_LUMINANCE:
      return 1;
    case GL_LUMINANCE_ALPHA: return 2;
    case GL_RGB: return 3;
    case GL_RGBA: return 4;
    default: return 0;
  }
}

int TypeSize(GLenum type) {
  switch (type) {
    case GL_UNSIGNED_BYTE: case GL_BYTE: return 1;
    case GL_UNSIGNED_SHORT: case GL_SHORT: return 2;
    case GL_UNSIGNED_INT: case GL_INT: case GL_FLOAT: return 4;
    default: return 0;
  }
}

bool IsIndex(GLenum format) { return format == GL_COLOR_INDEX || format == GL_STENCIL_INDEX; }

// Where an image's rows start and how far apart they are, by the GL's pixel-store rules.
struct Layout {
  size_t first;   // byte offset of the first group
  size_t stride;  // bytes from row to row
  size_t group;   // bytes per group
};

Layout LayoutOf(const PixelStore &s, int width, int components, int size) {
  const size_t length = s.rowLength > 0 ? size_t(s.rowLength) : size_t(width);
  const size_t rowBytes = length * components * size;
  const size_t align = size_t(s.alignment);
  const size_t stride = size_t(size) >= align ? rowBytes : (rowBytes + align - 1) / align * align;
  return Layout{size_t(s.skipRows) * stride + size_t(s.skipPixels) * components * size, stride,
                size_t(components) * size};
}

void SwapInPlace(uint8_t *p, int size) {
  std::reverse(p, p + size);
}

// One element as a normalized value (colour types) or as an integer (indices).
double Fetch(const uint8_t *p, GLenum type, bool swap, bool index) {
  uint8_t b[4];
  const int size = TypeSize(type);
  memcpy(b, p, size);
  if (swap && size > 1) SwapInPlace(b, size);
  double raw, scale;
  bool sign = false;
  switch (type) {
    case GL_UNSIGNED_BYTE: raw = b[0], scale = 255.0; break;
    case GL_BYTE: raw = int8_t(b[0]), scale = 255.0, sign = true; break;
    case GL_UNSIGNED_SHORT: { uint16_t v; memcpy(&v, b, 2); raw = v, scale = 65535.0; break; }
    case GL_SHORT: { int16_t v; memcpy(&v, b, 2); raw = v, scale = 65535.0, sign = true; break; }
    case GL_UNSIGNED_INT: { uint32_t v; memcpy(&v, b, 4); raw = v, scale = 4294967295.0; break; }
    case GL_INT: { int32_t v; memcpy(&v, b, 4); raw = v, scale = 4294967295.0, sign = true; break; }
    default: { float v; memcpy(&v, b, 4); return v; }
  }
  if (index) return raw;
  return sign ? (2 * raw + 1) / scale : raw / scale;
}

double Clamp(double v, double lo, double hi) { return v < lo ? lo : v > hi ? hi : v; }

void Put(uint8_t *p, GLenum type, bool swap, bool index, double v) {
  uint8_t b[4];
  const int size = TypeSize(type);
  auto integer = [&](double scale, bool sign, double lo, double hi) {
    double raw = index ? v : sign ? (v * scale - 1) / 2 : v * scale;
    return Clamp(floor(raw + 0.5), lo, hi);
  };
  switch (type) {
    case GL_UNSIGNED_BYTE: b[0] = uint8_t(integer(255.0, false, 0, 255)); break;
    case GL_BYTE: b[0] = uint8_t(int8_t(integer(255.0, true, -128, 127))); break;
    case GL_UNSIGNED_SHORT: { uint16_t x = uint16_t(integer(65535.0, false, 0, 65535)); memcpy(b, &x, 2); break; }
    case GL_SHORT: { int16_t x = int16_t(integer(65535.0, true, -32768, 32767)); memcpy(b, &x, 2); break; }
    case GL_UNSIGNED_INT: {
      uint32_t x = uint32_t(integer(4294967295.0, false, 0, 4294967295.0));
      memcpy(b, &x, 4);
      break;
    }
    case GL_INT: {
      int32_t x = int32_t(integer(4294967295.0, true, -2147483648.0, 2147483647.0));
      memcpy(b, &x, 4);
      break;
    }
    default: { float x = float(v); memcpy(b, &x, 4); break; }
  }
  if (swap && size > 1) SwapInPlace(b, size);
  memcpy(p, b, size);
}

struct Image {
  int width, height, components;
  std::vector<double> values;  // row by row, bottom row first, components interleaved
};

Image Unpack(GLenum format, GLenum type, int width, int height, const void *data, const PixelStore &store) {
  Image image{width, height, Components(format), {}};
  const int size = TypeSize(type);
  const Layout layout = LayoutOf(store, width, image.components, size);
  image.values.resize(size_t(width) * height * image.components);
  const uint8_t *bytes = static_cast<const uint8_t *>(data);
  double *out = image.values.data();
  for (int y = 0; y < height; ++y) {
    const uint8_t *p = bytes + layout.first + y * layout.stride;
    for (int i = 0; i < width * image.components; ++i, p += size)
      *out++ = Fetch(p, type, store.swapBytes, IsIndex(format));
  }
  return image;
}

void Pack(const Image &image, GLenum format, GLenum type, void *data, const PixelStore &store) {
  const int size = TypeSize(type);
  const Layout layout = LayoutOf(store, image.width, image.components, size);
  uint8_t *bytes = static_cast<uint8_t *>(data);
  const double *in = image.values.data();
  for (int y = 0; y < image.height; ++y) {
    uint8_t *p = bytes + layout.first + y * layout.stride;
    for (int i = 0; i < image.width * image.components; ++i, p += size)
      Put(p, type, store.swapBytes, IsIndex(format), *in++);
  }
}

struct Tap {
  int index;
  double weight;
};

// For each of `out` samples, the source samples it covers and their shares of its area.
std::vector<std::vector<Tap>> Taps(int in, int out) {
  std::vector<std::vector<Tap>> taps(out);
  const double ratio = double(in) / out;
  for (int i = 0; i < out; ++i) {
    const double lo = i * ratio, hi = (i + 1) * ratio;
    for (int k = int(floor(lo)); k < in && k < hi; ++k) {
      const double cover = std::min(hi, k + 1.0) - std::max(lo, double(k));
      if (cover > 0) taps[i].push_back(Tap{k, cover / ratio});
    }
  }
  return taps;
}

// Every output pixel is the area-weighted mean of the source pixels under it.
Image Scale(const Image &in, int width, int height) {
  if (width == in.width && height == in.height) return in;
  Image out{width, height, in.components, {}};
  out.values.assign(size_t(width) * height * in.components, 0.0);
  const auto xs = Taps(in.width, width), ys = Taps(in.height, height);
  const int n = in.components;
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) {
      double *o = &out.values[(size_t(y) * width + x) * n];
      for (const Tap &ty : ys[y])
        for (const Tap &tx : xs[x]) {
          const double *s = &in.values[(size_t(ty.index) * in.width + tx.index) * n];
          const double w = ty.weight * tx.weight;
          for (int c = 0; c < n; ++c) o[c] += w * s[c];
        }
    }
  return out;
}

// The power of two nearest `n` (the smaller one on a tie), at most `limit`.
int PowerOfTwo(int n, int limit) {
  int p = 1;
  while (p * 2 <= n) p *= 2;
  if (p < n && 2 * p - n < n - p) p *= 2;
  while (limit > 0 && p > limit) p /= 2;
  return p;
}

int BuildMipmaps(GLenum target, GLint components, int width, int height, GLenum format, GLenum type,
                 const void *data, bool oneD) {
  if (width < 1 || height < 1) return GLU_INVALID_VALUE;
  if (!Components(format) || !TypeSize(type)) return GLU_INVALID_ENUM;
  try {
    GLint limit = 0;
    glGetIntegerv(GL_MAX_TEXTURE_SIZE, &limit);
    const PixelStore saved = ReadStore(false), tight{GL_FALSE, 0, 0, 0, 1};
    Image level = Unpack(format, type, width, height, data, saved);
    level = Scale(level, PowerOfTwo(width, limit), oneD ? 1 : PowerOfTwo(height, limit));
    SetUnpackStore(tight);
    std::vector<uint8_t> bytes;
    for (GLint n = 0;; ++n) {
      bytes.resize(level.values.size() * TypeSize(type));
      Pack(level, format, type, bytes.data(), tight);
      if (oneD)
        glTexImage1D(target, n, components, level.width, 0, format, type, bytes.data());
      else
        glTexImage2D(target, n, components, level.width, level.height, 0, format, type, bytes.data());
      if (level.width == 1 && level.height == 1) break;
      level = Scale(level, std::max(1, level.width / 2), std::max(1, level.height / 2));
    }
    SetUnpackStore(saved);
  } catch (const std::bad_alloc &) {
    return GLU_OUT_OF_MEMORY;
  }
  return 0;
}

}  // namespace

extern "C" {

int APIENTRY gluScaleImage(GLenum format, GLint widthin, GLint heightin, GLenum typein, const void *datain,
                           GLint widthout, GLint heightout, GLenum typeout, void *dataout) {
  if (widthin <= 0 || heightin <= 0 || widthout <= 0 || heightout <= 0) return GLU_INVALID_VALUE;
  if (!Components(format) || !TypeSize(typein) || !TypeSize(typeout)) return GLU_INVALID_ENUM;
  try {
    Image in = Unpack(format, typein, widthin, heightin, datain, ReadStore(false));
    Pack(Scale(in, widthout, heightout), format, typeout, dataout, ReadStore(true));
  } catch (const std::bad_alloc &) {
    return GLU_OUT_OF_MEMORY;
  }
  return 0;
}

int APIENTRY gluBuild1DMipmaps(GLenum target, GLint components, GLint width, GLenum format, GLenum type,
                               const void *data) {
  return BuildMipmaps(target, components, width, 1, format, type, data, true);
}

int APIENTRY gluBuild2DMipmaps(GLenum target, GLint components, GLint width, GLint height, GLenum format,
                               GLenum type, const void *data) {
  return BuildMipmaps(target, components, width, height, format, type, data, false);
}

}  // extern "C"
