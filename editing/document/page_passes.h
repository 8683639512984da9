#pragma once

// Page passes run on an off-screen document before its HTML is read back.

#include "editing/document/editing_commands.h"

namespace editing {

// Removes every comment element, last first. False when a removal fails.
bool remove_all_comments(const document_pair& pair);
// Puts line breaks around paragraphs outside table cells.
bool separate_paragraphs(const document_pair& pair);
// Joins neighbouring paragraphs of equal alignment, separating their parts with line
// breaks; with the flag a line break goes before each paragraph that stays apart.
bool merge_aligned_paragraphs(const document_pair& pair, int flag);

}
