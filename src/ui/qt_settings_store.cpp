#include "ui/qt_settings_store.h"

namespace ptz {

std::optional<std::string> QtSettingsStore::value(const std::string& key) const {
    const QVariant value = settings_.value(QString::fromStdString(key));
    if (!value.isValid()) {
        return std::nullopt;
    }
    return value.toString().toStdString();
}

void QtSettingsStore::setValue(const std::string& key, const std::string& value) {
    settings_.setValue(QString::fromStdString(key), QString::fromStdString(value));
}

void QtSettingsStore::remove(const std::string& key) {
    settings_.remove(QString::fromStdString(key));
}

std::vector<std::string> QtSettingsStore::childKeys(const std::string& group) const {
    settings_.beginGroup(QString::fromStdString(group));
    const QStringList keys = settings_.childKeys();
    settings_.endGroup();
    std::vector<std::string> result;
    for (const QString& key : keys) {
        result.push_back(key.toStdString());
    }
    return result;
}

}  // namespace ptz
