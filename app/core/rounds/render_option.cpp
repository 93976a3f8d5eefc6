#include "app/core/rounds/render_option.h"

namespace bq::app {

bool RendersPages(const TFolderInfo& folder) { return folder.Extension(kRenderJsOption) == "1"; }

void SetRendersPages(TFolderInfo& folder, bool on) { folder.SetExtension(kRenderJsOption, on ? "1" : ""); }

}  // namespace bq::app
