#pragma once

#include "workspace/VimoInfo.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace vimo {

// The form's fields as the developer typed them.
struct FormFields
{
    std::u16string name;
    std::u16string description;
    std::u16string width;
    std::u16string height;
    bool interactive = false;
    bool web = false; // the main-file kind: web, else local
    std::u16string mainFileUrl;

    bool operator==(const FormFields&) const = default;
};

// The fields of the form that a person types into and that the rules name.
enum class FormField
{
    Name,
    Width,
    Height,
};

// A rule the form breaks: the field to correct and the string of the message that says why.
struct FormProblem
{
    FormField field;
    int messageId;
};

// The catalogue properties of one Vimo as the window's form holds them, apart from any widget:
// read from a record, compared with it, checked, and turned back into a record.
struct VimoForm
{
    std::u16string name;
    std::u16string description;
    std::uint32_t width = 500;
    std::uint32_t height = 500;
    bool interactive = false;
    bool web = false;
    std::u16string mainFileUrl;

    // The form showing `record`; a local Vimo shows "http://" as its address.
    static VimoForm fromRecord(const VimoInfo& record);
    // The form read from typed fields, or the field that holds no unsigned number.
    struct ReadBack;
    static ReadBack read(const FormFields& fields);
    // An unsigned decimal number with blanks or tabs around it; nothing for anything else.
    static std::optional<std::uint32_t> parseUnsigned(std::u16string_view text);

    // The fields that show this form.
    FormFields fields() const;
    // Whether the developer changed anything of `record` (letter case counts); the address
    // only counts for a web Vimo.
    bool differsFrom(const VimoInfo& record) const;
    // Trims the name, then checks name, width and height in that order; the first problem.
    std::optional<FormProblem> validate();
    // `stored` updated with this form; a local Vimo takes `localMainFileUrl` as its address.
    VimoInfo toRecord(const VimoInfo& stored, const std::u16string& localMainFileUrl) const;
};

struct VimoForm::ReadBack
{
    VimoForm form;
    std::optional<FormField> unreadable;
};

} // namespace vimo
