// .mdg reader: both model forms from one input; a read model keeps its counts and names in range.
#include <stdlib.h>
#include <string.h>

#include <memory>

#include "fuzzfile.h"
#include "mdgmodel.h"
#include "tiletargets.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  const std::string &path = FuzzPath(".mdg");
  if (!WriteFuzzFile(path, data, size)) return 0;
  static std::unique_ptr<TargetModel> target(new TargetModel());
  static std::unique_ptr<ViewerModel> viewer(new ViewerModel());
  if (ReadTargetModel(0.005f, path.c_str(), target.get())) {
    const TargetModel &m = *target;
    if (m.triangleVertexCount < 0 || m.triangleVertexCount > kMaxModelVertices || m.lineVertexCount < 0 ||
        m.lineVertexCount > kMaxModelVertices || m.textureIndex < 0 || m.textureIndex >= kModelSlotCount ||
        !memchr(m.textureName, 0, sizeof m.textureName))
      abort();
  }
  if (ReadViewerModel(1.0f, path.c_str(), viewer.get())) {
    const ViewerModel &m = *viewer;
    if (m.triangleVertexCount < 0 || m.triangleVertexCount > kMaxModelVertices ||
        !memchr(m.textureName, 0, sizeof m.textureName))
      abort();
  }
  return 0;
}
