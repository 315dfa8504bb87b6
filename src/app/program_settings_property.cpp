#include "app/program_settings_property.h"

#include <boost/optional.hpp>

namespace orvex::utils {

void ProgramSettingsProperty::write(const std::string& prefix, ptree& tree)
{
    reading_ = false;
    tree_ = &tree;
    prefix_ = prefix;
    bind();
    after_write();
}

void ProgramSettingsProperty::read(const std::string& prefix, ptree& tree)
{
    reading_ = true;
    tree_ = &tree;
    prefix_ = prefix;
    bind();
    after_read();
}

std::string ProgramSettingsProperty::full_key(const std::string& key) const
{
    return prefix_.empty() ? key : prefix_ + "." + key;
}

bool ProgramSettingsProperty::is_markup(const std::string& name)
{
    return name == "<xmlattr>" || name == "<xmlcomment>";
}

template <class T>
void ProgramSettingsProperty::scalar(const std::string& key, T& value)
{
    const ptree::path_type path(full_key(key), '.');
    if (reading_) {
        if (auto v = tree_->get_optional<T>(path))
            value = *v;
        else if (tree_->get_child_optional(path))
            report_unreadable(key);
    } else {
        tree_->put(path, value);
    }
}

void ProgramSettingsProperty::prop(const std::string& key, bool& value)
{
    scalar(key, value);
}
void ProgramSettingsProperty::prop(const std::string& key, std::int32_t& value)
{
    scalar(key, value);
}
void ProgramSettingsProperty::prop(const std::string& key, double& value)
{
    scalar(key, value);
}
void ProgramSettingsProperty::prop(const std::string& key, std::string& value)
{
    scalar(key, value);
}

void ProgramSettingsProperty::prop(const std::string& key, std::array<std::int16_t, 16>& values)
{
    const ptree::path_type path(full_key(key), '.');
    if (reading_) {
        auto node = tree_->get_child_optional(path);
        if (!node)
            return;
        std::size_t i = 0;
        for (auto& child : *node) {
            if (i == values.size())
                break;
            if (is_markup(child.first))
                continue;
            if (auto v = child.second.get_value_optional<std::int16_t>())
                values[i] = *v;
            else
                report_unreadable(key + "." + child.first);
            ++i;
        }
    } else {
        ptree& node = tree_->put_child(path, ptree());
        for (std::int16_t v : values)
            node.add("arr", v);
    }
}

void ProgramSettingsProperty::prop(const std::string& key, ProgramSettingsProperty& group)
{
    if (reading_) {
        group.unreadable_ = unreadable_;
        group.report_prefix_ = report_prefix_;
        group.read(full_key(key), *tree_);
        group.unreadable_ = nullptr;
    } else {
        group.write(full_key(key), *tree_);
    }
}

void ProgramSettingsProperty::report_unreadable(const std::string& key)
{
    if (unreadable_ != nullptr)
        unreadable_->push_back(report_prefix_.empty() ? full_key(key) : report_prefix_ + "." + full_key(key));
}

} // namespace orvex::utils
