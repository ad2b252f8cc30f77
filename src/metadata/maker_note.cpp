// SPDX-License-Identifier: GPL-3.0-or-later
#include "metadata/maker_note.h"

#include "metadata/maker_decoder.h"

namespace kelvra {

std::shared_ptr<const MakerNoteDecoder> defaultMakerNoteDecoder()
{
    return makerNotesDecoder();
}

} // namespace kelvra
