// SPDX-License-Identifier: GPL-3.0-or-later
#include "metadata/maker_note.h"

namespace kelvra {

std::shared_ptr<const MakerNoteDecoder> defaultMakerNoteDecoder()
{
    return nullptr;
}

} // namespace kelvra
