#pragma once
// The registry store of the program: QSettings in the native format under organisation "Vantor",
// application "QD-Atlas" (~/.config/Vantor/QD-Atlas.conf here, HKCU\Software\Vantor\QD-Atlas on
// Windows). It also keeps the device path of each COM port.
#include <QSettings>
#include <memory>

#include "comm/PortPathStore.h"
#include "settings/RegistryState.h"

namespace qda {

class CSettingsRegistryStore : public IRegistryStore, public IPortPathStore {
public:
    // The user's store (organisation "Vantor", application "QD-Atlas").
    CSettingsRegistryStore();
    // A store in the file `path` (tests), native INI form.
    explicit CSettingsRegistryStore(const QString& path);

    bool Query(const std::string& subkey, const std::string& name, RegType wanted,
               std::vector<uint8_t>& data) const override;
    bool Set(const std::string& subkey, const std::string& name, RegType type,
             const std::vector<uint8_t>& data) override;
    // Writes pending changes out; true when the store is in a good state.
    bool Sync();

    std::string PortPath(int portNo) const override;
    void SetPortPath(int portNo, const std::string& path) override;

private:
    std::unique_ptr<QSettings> m_settings;
};

}  // namespace qda
