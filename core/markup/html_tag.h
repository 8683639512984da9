#pragma once

#include "core/markup/ascii.h"

#include <array>
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace core {

// One name/value pair of a tag; both are trimmed of surrounding white space.
struct CAttribute {
    CAttribute() = default;
    CAttribute(std::string_view name, std::string_view value);

    std::string name;
    std::string value;
};

// A tag's attributes in the order written; duplicates are kept. Names are looked up
// ignoring case.
class CTagAttributes {
public:
    virtual ~CTagAttributes() = default;

    // Reads attributes from `position` up to and including the closing ">"; returns the
    // position after it. A comment's text up to "-->" becomes one attribute.
    std::size_t Parse(std::string_view text, std::size_t position, bool is_comment);
    std::size_t ParseText(std::string_view text) { return Parse(text, 0, false); }

    // The first matching value; `value` is emptied first. False when there is none.
    bool GetValue(std::string_view name, std::string& value) const;
    bool GetValueOf(const std::string& name, std::string& value) const { return GetValue(name, value); }
    bool Has(std::string_view name) const;
    bool HasValue(std::string_view name) const;
    void GetAt(std::size_t index, std::string& name, std::string& value) const;
    // Trims the value and removes one pair of matching quotes around it, then replaces the
    // first matching attribute's value in place or appends a new attribute.
    void SetValue(std::string_view name, std::string_view value);
    void Remove(std::string_view name);
    // Removes every attribute of that name.
    void RemoveEvery(std::string_view name);
    void RemoveAt(std::size_t index);
    void RemoveAll() { attributes_.clear(); }
    // HREF, SRC and BACKGROUND values become local paths when they are file URLs.
    void DecodeLocalLinks();

    std::size_t GetCount() const { return attributes_.size(); }
    const std::vector<CAttribute>& items() const { return attributes_; }
    void Add(CAttribute attribute) { attributes_.push_back(std::move(attribute)); }

    friend bool operator==(const CTagAttributes& a, const CTagAttributes& b);

private:
    std::vector<CAttribute> attributes_;
};

// The attribute names RemoveEventHandlers takes away.
extern const std::array<std::string_view, 61> event_handler_names;

// A tag read from text, edited and written back as markup.
class CHTMLTag {
public:
    virtual ~CHTMLTag() = default;

    // Reads one tag starting at `position` (white space and one "<" skipped); returns the
    // position after it.
    std::size_t Parse(std::string_view text, std::size_t position);
    std::size_t Parse(const char* buffer, std::size_t position, std::size_t length);

    // The tag as markup. A declaration that has not been changed since it was read comes back
    // as it was written.
    std::string GetText() const;
    // Removes every event-handler attribute (all occurrences, names ignoring case).
    void RemoveEventHandlers();

    const std::string& GetName() const { return name_; }
    void SetName(std::string_view name) { name_ = name; }
    CTagAttributes& GetAttributes() { return attributes_; }
    const CTagAttributes& GetAttributes() const { return attributes_; }

protected:
    // Records the tag as it now stands as the form its declaration text was read in.
    void keep_declaration_snapshot();

    std::string name_;
    CTagAttributes attributes_;

private:
    // A parsed declaration ("<!DOCTYPE ...>"): its text between "<" and ">", and what the
    // tag held when read, to tell whether it has been changed since.
    std::string declaration_text_;
    std::string declaration_name_;
    CTagAttributes declaration_attributes_;
};

// A declaration of a DTD file.
class CSGMLTag : public CHTMLTag {
public:
    // As CHTMLTag::Parse; "<!ENTITY % name ...>" gets the name "!ENTITY %".
    std::size_t Parse(std::string_view text, std::size_t position);
    std::size_t Parse(const char* buffer, std::size_t position, std::size_t length);

    std::string GetElementName() const;
    std::string GetParameterEntityName() const;
    std::string GetEntityName() const;
    std::string GetParameterEntityText() const;

private:
    std::string first_attribute_name_if(std::string_view tag_name) const;
};

// An entry of the tag dictionary.
class CDictHTMLTag : public CHTMLTag {
};

// Moves `position` to the next "<" at or before `last`, or past `last` when there is none.
void SkipToNextTag(std::string_view text, std::size_t& position, std::size_t last);
// The text from `position` to the next "<" (or the end); `position` moves there.
std::string GetTextToNextTag(std::string_view text, std::size_t& position);

// Text helpers shared by the tag model and the DTD reader.
std::string_view trim_view(std::string_view text);

}
