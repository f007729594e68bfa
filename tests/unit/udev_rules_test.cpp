// The shipped udev rule file: every line well-formed, and the uaccess tag given to exactly the
// hidraw and usb_device nodes of the models the watcher accepts. No udevadm here can check the
// file, so a small reader of the subset of the rules language the file uses stands in.
#include <gtest/gtest.h>

#include <fstream>
#include <map>
#include <optional>
#include <regex>
#include <set>
#include <string>
#include <vector>

#include "discovery/model_filter.h"

namespace ptz {
namespace {

struct Key {
    std::string name;       // "ATTRS"
    std::string attribute;  // "idVendor" for ATTRS{idVendor}
    std::string op;         // "==", "+=", ...
    std::string value;
};

using Rule = std::vector<Key>;

std::optional<Rule> parseRule(const std::string& line) {
    static const std::regex keyPattern(
        R"re(\s*([A-Z]+)(?:\{([A-Za-z_]+)\})?\s*(==|!=|\+=|-=|:=|=)\s*"([^"]*)"\s*(,|$))re");
    Rule rule;
    auto at = line.cbegin();
    std::smatch match;
    while (at != line.cend()) {
        if (!std::regex_search(at, line.cend(), match, keyPattern,
                               std::regex_constants::match_continuous)) {
            return std::nullopt;
        }
        rule.push_back({match[1], match[2], match[3], match[4]});
        at = match[0].second;
    }
    return rule;
}

std::vector<Rule> readRules() {
    std::ifstream file(PTZ_UDEV_RULES_FILE);
    std::vector<Rule> rules;
    std::string line;
    int number = 0;
    while (std::getline(file, line)) {
        ++number;
        if (line.find_first_not_of(" \t") == std::string::npos || line[0] == '#') {
            continue;
        }
        std::optional<Rule> rule = parseRule(line);
        EXPECT_TRUE(rule) << "line " << number << ": " << line;
        if (rule) {
            rules.push_back(*rule);
        }
    }
    return rules;
}

// A device as udev sees it while processing its event.
struct Device {
    std::string action = "add";
    std::string subsystem;
    std::map<std::string, std::string> env;
    std::map<std::string, std::string> attributes;
    // The ancestors, nearest first, each with its subsystem and attributes.
    std::vector<std::pair<std::string, std::map<std::string, std::string>>> parents;
};

bool equalOrDiffer(const std::string& op, const std::string& actual, const std::string& value) {
    return op == "==" ? actual == value : actual != value;
}

// Whether the rules tag the device with "uaccess". Parent keys must all match on one parent.
bool taggedUaccess(const std::vector<Rule>& rules, const Device& device) {
    std::set<std::string> tags;
    std::string skipTo;
    for (const Rule& rule : rules) {
        if (!skipTo.empty()) {
            if (rule.size() == 1 && rule[0].name == "LABEL" && rule[0].value == skipTo) {
                skipTo.clear();
            }
            continue;
        }
        bool matches = true;
        std::vector<const Key*> parentKeys;
        for (const Key& key : rule) {
            if (key.op != "==" && key.op != "!=") {
                continue;
            }
            if (key.name == "ACTION") {
                matches &= equalOrDiffer(key.op, device.action, key.value);
            } else if (key.name == "SUBSYSTEM") {
                matches &= equalOrDiffer(key.op, device.subsystem, key.value);
            } else if (key.name == "ENV") {
                const auto found = device.env.find(key.attribute);
                matches &= equalOrDiffer(key.op, found == device.env.end() ? "" : found->second,
                                         key.value);
            } else if (key.name == "ATTR") {
                const auto found = device.attributes.find(key.attribute);
                matches &= found != device.attributes.end() &&
                           equalOrDiffer(key.op, found->second, key.value);
            } else if (key.name == "SUBSYSTEMS" || key.name == "ATTRS") {
                parentKeys.push_back(&key);
            } else {
                ADD_FAILURE() << "unexpected match key " << key.name;
                matches = false;
            }
        }
        if (matches && !parentKeys.empty()) {
            bool onOneParent = false;
            for (const auto& [subsystem, attributes] : device.parents) {
                bool all = true;
                for (const Key* key : parentKeys) {
                    if (key->name == "SUBSYSTEMS") {
                        all &= subsystem == key->value;
                    } else {
                        const auto found = attributes.find(key->attribute);
                        all &= found != attributes.end() && found->second == key->value;
                    }
                }
                onOneParent |= all;
            }
            matches = onOneParent;
        }
        if (!matches) {
            continue;
        }
        for (const Key& key : rule) {
            if (key.name == "TAG" && key.op == "+=") {
                tags.insert(key.value);
            } else if (key.name == "GOTO") {
                skipTo = key.value;
            }
        }
    }
    return tags.count("uaccess") != 0;
}

std::string hex4(int32_t id) {
    char text[8];
    snprintf(text, sizeof text, "%04x", static_cast<unsigned>(id));
    return text;
}

Device usbDevice(int32_t vid, int32_t pid) {
    Device device;
    device.subsystem = "usb";
    device.env["DEVTYPE"] = "usb_device";
    device.attributes = {{"idVendor", hex4(vid)}, {"idProduct", hex4(pid)}};
    return device;
}

Device hidrawNode(int32_t vid, int32_t pid) {
    Device device;
    device.subsystem = "hidraw";
    device.parents = {
        {"hid", {}},
        {"usb", {{"bInterfaceClass", "03"}}},  // the interface
        {"usb", {{"idVendor", hex4(vid)}, {"idProduct", hex4(pid)}}},
    };
    return device;
}

TEST(UdevRules, EveryLineUsesKnownKeysWithFittingOperatorsAndLowerCaseIds) {
    const std::vector<Rule> rules = readRules();
    ASSERT_FALSE(rules.empty());
    const std::set<std::string> matchKeys = {"ACTION", "SUBSYSTEM", "SUBSYSTEMS",
                                             "ATTR",   "ATTRS",     "ENV"};
    const std::set<std::string> assignKeys = {"TAG", "GOTO", "LABEL"};
    std::set<std::string> labels;
    std::set<std::string> gotos;
    for (const Rule& rule : rules) {
        for (const Key& key : rule) {
            const bool isMatch = key.op == "==" || key.op == "!=";
            if (isMatch) {
                EXPECT_TRUE(matchKeys.count(key.name)) << key.name;
            } else {
                EXPECT_TRUE(assignKeys.count(key.name)) << key.name << key.op;
            }
            EXPECT_EQ(key.attribute.empty(),
                      key.name != "ATTR" && key.name != "ATTRS" && key.name != "ENV")
                << key.name;
            if (key.attribute == "idVendor" || key.attribute == "idProduct") {
                EXPECT_TRUE(std::regex_match(key.value, std::regex("[0-9a-f]{4}"))) << key.value;
            }
            if (key.name == "LABEL") {
                labels.insert(key.value);
            }
            if (key.name == "GOTO") {
                gotos.insert(key.value);
            }
        }
    }
    EXPECT_EQ(gotos, labels);
}

TEST(UdevRules, TagExactlyTheSupportedModelsHidrawAndUsbDeviceNodes) {
    const std::vector<Rule> rules = readRules();
    const std::pair<int32_t, int32_t> ids[] = {
        {0x2e7e, 0x0735}, {0x2e7e, 0x0737}, {0x1234, 0x0605}, {0xabcd, 0x0606}, {0x3242, 0x1000},
        {0x0000, 0x0737}, {0x2e7e, 0x0734}, {0x2e7e, 0x0736}, {0x2e7e, 0x0604}, {0x2e7e, 0x0607},
        {0x3242, 0x1001}, {0x2e7e, 0x1000}, {0x046d, 0xc31c}, {0x3242, 0x0000},
    };
    for (const auto& [vid, pid] : ids) {
        SCOPED_TRACE(hex4(vid) + ":" + hex4(pid));
        const bool supported = isSupportedModel(vid, pid);
        EXPECT_EQ(taggedUaccess(rules, hidrawNode(vid, pid)), supported);
        EXPECT_EQ(taggedUaccess(rules, usbDevice(vid, pid)), supported);

        // Only the device node itself: not its interfaces, and nothing at removal.
        Device usbInterface = usbDevice(vid, pid);
        usbInterface.env["DEVTYPE"] = "usb_interface";
        EXPECT_FALSE(taggedUaccess(rules, usbInterface));
        Device removed = hidrawNode(vid, pid);
        removed.action = "remove";
        EXPECT_FALSE(taggedUaccess(rules, removed));
    }
    // A HID node that is not on USB carries no ids to match.
    Device virtualNode;
    virtualNode.subsystem = "hidraw";
    virtualNode.parents = {{"hid", {}}, {"misc", {}}};
    EXPECT_FALSE(taggedUaccess(rules, virtualNode));
}

}  // namespace
}  // namespace ptz
