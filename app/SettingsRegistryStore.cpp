#include "app/SettingsRegistryStore.h"

#include <cstring>

namespace qda {

namespace {

// Subkeys use "\" as the registry does; QSettings groups use "/".
QString KeyOf(const std::string& subkey, const std::string& name) {
    QString key = QString::fromStdString(subkey);
    key.replace(QLatin1Char('\\'), QLatin1Char('/'));
    if (!key.isEmpty() && !key.endsWith(QLatin1Char('/'))) key += QLatin1Char('/');
    return key + QString::fromStdString(name);
}

std::vector<uint8_t> FromArray(const QByteArray& bytes) {
    return std::vector<uint8_t>(bytes.begin(), bytes.end());
}

}  // namespace

CSettingsRegistryStore::CSettingsRegistryStore()
    : m_settings(std::make_unique<QSettings>(QSettings::NativeFormat, QSettings::UserScope,
                                             QStringLiteral("Vantor"), QStringLiteral("QD-Atlas"))) {}

CSettingsRegistryStore::CSettingsRegistryStore(const QString& path)
    : m_settings(std::make_unique<QSettings>(path, QSettings::IniFormat)) {}

bool CSettingsRegistryStore::Query(const std::string& subkey, const std::string& name, RegType wanted,
                                   std::vector<uint8_t>& data) const {
    const QVariant value = m_settings->value(KeyOf(subkey, name));
    if (!value.isValid()) return false;
    // The INI form keeps byte arrays as such and every other value as text, so the text is read
    // in the form the caller asks for: a number as its 4 bytes, anything else as text and NUL.
    if (value.typeId() == QMetaType::QByteArray) {
        data = FromArray(value.toByteArray());
        return true;
    }
    if (value.typeId() == QMetaType::Int || value.typeId() == QMetaType::UInt ||
        value.typeId() == QMetaType::LongLong) {
        const int32_t number = static_cast<int32_t>(value.toLongLong());
        data.resize(4);
        std::memcpy(data.data(), &number, 4);
        return true;
    }
    const QString text = value.toString();
    if (wanted == RegType::kDword) {
        bool ok = false;
        const qlonglong number = text.toLongLong(&ok);
        if (ok && number >= INT32_MIN && number <= UINT32_MAX) {
            const uint32_t bits = static_cast<uint32_t>(number);
            data.resize(4);
            std::memcpy(data.data(), &bits, 4);
            return true;
        }
    }
    data = FromArray(text.toUtf8());
    data.push_back(0);
    return true;
}

bool CSettingsRegistryStore::Set(const std::string& subkey, const std::string& name, RegType type,
                                 const std::vector<uint8_t>& data) {
    if (!m_settings->isWritable()) return false;
    const QString key = KeyOf(subkey, name);
    switch (type) {
        case RegType::kDword: {
            if (data.size() != 4) return false;
            int32_t number = 0;
            std::memcpy(&number, data.data(), 4);
            m_settings->setValue(key, number);
            break;
        }
        case RegType::kString: {
            size_t length = 0;
            while (length < data.size() && data[length] != 0) ++length;
            m_settings->setValue(key, QString::fromUtf8(reinterpret_cast<const char*>(data.data()),
                                                        static_cast<qsizetype>(length)));
            break;
        }
        case RegType::kBinary:
            m_settings->setValue(key, QByteArray(reinterpret_cast<const char*>(data.data()),
                                                 static_cast<qsizetype>(data.size())));
            break;
    }
    return true;
}

bool CSettingsRegistryStore::Sync() {
    m_settings->sync();
    return m_settings->status() == QSettings::NoError;
}

std::string CSettingsRegistryStore::PortPath(int portNo) const {
    return m_settings->value(QStringLiteral("PORTPATH/COM%1").arg(portNo)).toString().toStdString();
}

void CSettingsRegistryStore::SetPortPath(int portNo, const std::string& path) {
    const QString key = QStringLiteral("PORTPATH/COM%1").arg(portNo);
    if (path.empty()) {
        m_settings->remove(key);
    } else {
        m_settings->setValue(key, QString::fromStdString(path));
    }
}

}  // namespace qda
