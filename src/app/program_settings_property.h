// Binding of settings members to dotted key paths of an XML property tree.
//
// A settings class derives from ProgramSettingsProperty and declares every
// member once in bind(); the same declaration serves reading (tree -> member)
// and writing (member -> tree). Reading never fails: a missing key or a value
// that does not convert leaves the member as it was, so the member's current
// value is its default. Groups nest (a member group is written under its own
// key) and lists of groups are written as repeated "vec" children.
#pragma once

#include <array>
#include <boost/property_tree/ptree.hpp>
#include <cstdint>
#include <string>
#include <vector>

namespace orvex::utils {

using ptree = boost::property_tree::ptree;

class ProgramSettingsProperty {
public:
    /// Declares every member with one prop() call each, in file order.
    virtual void bind() = 0;
    virtual void after_read() {}
    virtual void after_write() {}
    /// Puts every member into `tree` below `prefix` (empty: at the top).
    virtual void write(const std::string& prefix, ptree& tree);
    /// Takes every member present and convertible from `tree` below `prefix`.
    virtual void read(const std::string& prefix, ptree& tree);

protected:
    ProgramSettingsProperty() = default;
    ProgramSettingsProperty(const ProgramSettingsProperty&) = default;
    ProgramSettingsProperty& operator=(const ProgramSettingsProperty&) = default;
    // Instances are owned by value or static; never deleted through the base.
    ~ProgramSettingsProperty() = default;

    void prop(const std::string& key, bool& value);
    void prop(const std::string& key, std::int32_t& value);
    void prop(const std::string& key, double& value);
    void prop(const std::string& key, std::string& value);
    /// 16 signed coefficients as 16 "arr" children; reading takes up to 16
    /// children in document order and keeps an element whose text does not
    /// convert to int16.
    void prop(const std::string& key, std::array<std::int16_t, 16>& values);
    /// A nested group, written below this group's key.
    void prop(const std::string& key, ProgramSettingsProperty& group);

    /// A list of groups: one "vec" child per element, in order. Reading
    /// replaces the list with one default-constructed element per child.
    template <class Group>
    void prop(const std::string& key, std::vector<Group>& list)
    {
        const std::string path = full_key(key);
        if (reading_) {
            auto node = tree_->get_child_optional(ptree::path_type(path, '.'));
            if (!node)
                return;
            list.clear();
            for (auto& child : *node) {
                if (is_markup(child.first))
                    continue;
                Group group;
                group.unreadable_ = unreadable_;
                group.report_prefix_ = path + "." + child.first;
                group.read(std::string(), child.second);
                group.unreadable_ = nullptr;
                list.push_back(std::move(group));
            }
        } else {
            ptree& node = tree_->put_child(ptree::path_type(path, '.'), ptree());
            for (auto& group : list) {
                ptree element;
                group.write(std::string(), element);
                node.add_child("vec", element);
            }
        }
    }

    bool reading() const { return reading_; }

    /// While set (during a load), reading appends here the full key of every
    /// value present in the tree that does not convert to its member's type.
    std::vector<std::string>* unreadable_ = nullptr;

private:
    std::string full_key(const std::string& key) const;
    void report_unreadable(const std::string& key);
    std::string report_prefix_; // where a list element sits, for the report
    /// Attribute and comment nodes that the XML parser keeps as children.
    static bool is_markup(const std::string& name);
    template <class T>
    void scalar(const std::string& key, T& value);

    bool reading_ = false;
    ptree* tree_ = nullptr;
    std::string prefix_;
};

} // namespace orvex::utils
