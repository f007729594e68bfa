// The panels' memory kept in QSettings: the user's configuration file of the organisation and
// application names set on QCoreApplication (~/.config/ptzpanel/ptzpanel.conf).
#pragma once

#include <QSettings>

#include "ui/logic/panel_memory.h"

namespace ptz {

class QtSettingsStore final : public SettingsStore {
  public:
    // `settings` is borrowed and must outlive the store.
    explicit QtSettingsStore(QSettings& settings) : settings_(settings) {}

    std::optional<std::string> value(const std::string& key) const override;
    void setValue(const std::string& key, const std::string& value) override;
    void remove(const std::string& key) override;
    std::vector<std::string> childKeys(const std::string& group) const override;

  private:
    QSettings& settings_;
};

}  // namespace ptz
