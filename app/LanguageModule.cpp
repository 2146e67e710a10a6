#include "app/LanguageModule.h"

#include "resources/lang/LanguageChoice.h"
#include "resources/lang/LanguageModule.h"

CLanguageModule& CLanguageModule::Instance() {
    static CLanguageModule instance;
    return instance;
}

bool CLanguageModule::Load(const std::string& commandLine, const std::string& libDir) {
    std::string chosen;
    m_loaded = qda::LoadStartupLanguage(commandLine, libDir, &chosen);
    m_nLanguage = qda::LanguageIndex(chosen);
    return m_loaded;
}

void CLanguageModule::Release() {
    if (m_loaded) qda::UnloadLanguageModule();
    m_loaded = false;
}

CLanguageModule::~CLanguageModule() {
    Release();
}
