#pragma once

#include "core/markup/html_tag.h"

#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

namespace core {

// Reads the HTML 4.01 Transitional DTD and its entity sets and answers whether an element
// or an entity reference is known.
class CDTDStrict {
public:
    virtual ~CDTDStrict() = default;

    void Clear();
    bool IsEmpty() const;
    // Appends the declarations of one file; false when it cannot be read or is empty.
    bool LoadFile(const std::string& path);
    // Appends the declarations found in text (what LoadFile does with a file's bytes).
    void LoadText(std::string_view text);

    bool IsKnownElement(std::string_view name) const;
    bool IsKnownEntity(std::string_view reference) const;
    // Replaces every entity reference that is not known by one space. A reference is "&"
    // followed by a name, by "#" and decimal digits, or by "#x" and hexadecimal digits, then
    // ";"; any other "&" is left alone.
    void ReplaceUnknownEntities(std::string& text) const;

    const std::vector<CSGMLTag>& element_declarations() const { return elements_; }
    const std::vector<CSGMLTag>& parameter_entity_declarations() const { return parameter_entities_; }
    const std::vector<CSGMLTag>& entity_declarations() const { return entities_; }

private:
    void build_known_names() const;

    std::vector<CSGMLTag> elements_;
    std::vector<CSGMLTag> parameter_entities_;
    std::vector<CSGMLTag> entities_;

    // Element and entity names in lower case, made once after the declarations change.
    mutable bool known_names_ready_ = false;
    mutable std::unordered_set<std::string> element_names_;
    mutable std::unordered_set<std::string> entity_names_;
};

// The four files, in the order they are read, under the names the program ships them with.
inline constexpr std::string_view standard_dtd_files[] = {"loose.dtd", "HTMLSymbol.ent", "Htmllat1.ent", "HTMLSpecial.ent"};

// Loads the four files from `folder` into `dtd`, which it empties first. On the first file
// that does not load it empties `dtd` again and answers false: all four are in force or none.
bool LoadStandardDTD(CDTDStrict& dtd, const std::string& folder);

// Where the program keeps the files: the resources folder's "talverin" folder.
std::string standard_dtd_folder(const std::string& resources_folder);

}
