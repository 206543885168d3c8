#include "controls/splash_model.h"

#include "base/language.h"

namespace morvane {

std::string skinFolder(std::string_view programFolder, int uiLanguage) {
    std::string folder(programFolder);
    if (!folder.empty() && folder.back() != '/' && folder.back() != '\\') folder += '/';
    folder += uiLanguage == kLanguageChinese ? "png/chinese/" : "png/english/";
    return folder;
}

}  // namespace morvane
