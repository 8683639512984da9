#pragma once

#include "core/markup/markup_tag.h"

#include <array>
#include <functional>
#include <string>
#include <string_view>

namespace hevtools::markup {

using core::attribute_entry;
using core::attribute_key;
using core::element_entry;
using core::markup_tag;

// Content models a document type reports for a tag.
enum content_model_kind { ordinary_content = 0, comment_content = 1, raw_text_content = 2 };

// What the tokenizer asks about a markup vocabulary.
class DTD {
public:
    virtual ~DTD() = default;
    // True when the tag never has content, or has no name.
    virtual bool is_empty_element(const markup_tag& tag) const = 0;
    // Builds a tag from the tokenizer's text and reports its content model; takes what it uses
    // out of `text`. Tag-name mode: text is what followed "<". Whole-tag mode: text is
    // comment or raw-text content whose end may close it.
    virtual markup_tag make_tag(std::string& text, bool tag_name_mode, int* content_model_out) const = 0;
    virtual attribute_key find_attribute(std::string_view name) const = 0;
    // make_tag into a tag the caller keeps, so its buffers are reused; sets the name, element
    // and end flag and leaves the rest alone. A document type that overrides make_tag overrides
    // this too, or keeps this default, which calls make_tag.
    virtual void make_tag_into(std::string& text, bool tag_name_mode, int* content_model_out, markup_tag& tag) const;
    // find_attribute into a key the caller keeps; the default calls find_attribute.
    virtual void find_attribute_into(std::string_view name, attribute_key& key) const;
    // make_tag_into in tag-name mode for a text that is just `name`, which does not start with
    // "!" and is used up whole, so the tokenizer need not copy it into its text first. False,
    // with nothing done, where a document type does not offer it (the default).
    virtual bool make_tag_from_name(std::string_view name, int* content_model_out, markup_tag& tag) const;
    // Whether a tag name may begin with `c`, which is not a letter (a letter always may). The
    // tokenizer reads "<" before a byte that begins no name (nor "/", "!" or "?") as text.
    // The default: none.
    virtual bool tag_name_may_start_with(char c) const;
};

}

namespace hevtools::markup::html {

// The HTML elements, in table order.
enum class el {
    A, ABBR, ACRONYM, ADDRESS, APPLET, AREA, B, BASE, BASEFONT, BDO, BIG, BLOCKQUOTE, BODY, BR, BUTTON,
    CAPTION, CENTER, CITE, CODE, COL, COLGROUP, DD, DEL, DFN, DIR, DIV, DL, DT, EM, FIELDSET, FONT, FORM,
    FRAME, FRAMESET, H1, H2, H3, H4, H5, H6, HEAD, HR, HTML, I, IFRAME, IMG, INPUT, INS, ISINDEX, KBD,
    LABEL, LEGEND, LI, LINK, MAP, MENU, META, NOFRAMES, NOSCRIPT, OBJECT, OL, OPTGROUP, OPTION, P, PARAM,
    PRE, Q, S, SAMP, SCRIPT, SELECT, SMALL, SPAN, STRIKE, STRONG, STYLE, SUB, SUP, TABLE, TBODY, TD,
    TEXTAREA, TFOOT, TH, THEAD, TITLE, TR, TT, U, UL, VAR
};
inline constexpr int element_count = 91;

// The HTML attributes, in table order (the order attributes are written in).
enum class at {
    abbr, accept_charset, accept, accesskey, action, align, alink, alt, archive, axis, background, bgcolor,
    border, cellpadding, cellspacing, char_, charoff, charset, checked, cite, class_, classid, clear, code,
    codebase, codetype, color, cols, colspan, compact, content, coords, data, datetime, declare, defer, dir,
    disabled, enctype, face, for_, frame, frameborder, headers, height, href, hreflang, hspace, http_equiv,
    id, ismap, label, lang, language, link, longdesc, marginheight, marginwidth, maxlength, media, method,
    multiple, name, nohref, noresize, noshade, nowrap, object, onblur, onchange, onclick, ondblclick,
    onfocus, onkeydown, onkeypress, onkeyup, onload, onmousedown, onmousemove, onmouseout, onmouseover,
    onmouseup, onreset, onselect, onsubmit, onunload, profile, prompt, readonly, rel, rev, rows, rowspan,
    rules, scheme, scope, scrolling, selected, shape, size, span, src, standby, start, style, summary,
    tabindex, target, text, title, type, usemap, valign, value, valuetype, version, vlink, vspace, width
};
inline constexpr int attribute_count = 119;

extern const element_entry element_table[element_count];
extern const element_entry unknown_element;  // "_unknown": any other name, declarations
extern const element_entry comment_element;  // "_comment"
extern const std::array<attribute_entry, attribute_count> attribute_table;
extern const attribute_entry unknown_attribute;  // "<Unknownattr>"

inline const element_entry* element(el e) { return &element_table[static_cast<int>(e)]; }
// The place of `entry` in element_table, or -1 for any other entry (unknown, comment, a derived
// document type's own).
inline int element_index(const element_entry* entry)
{
    return std::less_equal<>()(element_table, entry) && std::less<>()(entry, element_table + element_count)
        ? static_cast<int>(entry - element_table)
        : -1;
}
inline const attribute_entry* attribute(at a) { return &attribute_table[static_cast<std::size_t>(a)]; }
inline bool is(const markup_tag& tag, el e) { return tag.element == element(e); }

// The document type of HTML. It has no data of its own; the lookup tables are shared.
class DTD : public hevtools::markup::DTD {
public:
    bool is_empty_element(const markup_tag& tag) const override;
    markup_tag make_tag(std::string& text, bool tag_name_mode, int* content_model_out) const override;
    void make_tag_into(std::string& text, bool tag_name_mode, int* content_model_out, markup_tag& tag) const override;
    attribute_key find_attribute(std::string_view name) const override;
    void find_attribute_into(std::string_view name, attribute_key& key) const override;
    bool make_tag_from_name(std::string_view name, int* content_model_out, markup_tag& tag) const override;
    virtual const element_entry* find_element(std::string_view name) const;
    virtual int content_model(const element_entry* entry) const;

private:
    // A tag named by `name`, "/" first for an end tag.
    void name_tag(std::string_view name, int& model, markup_tag& tag) const;
};

// The process-wide HTML document type.
const DTD& html_dtd();

}
