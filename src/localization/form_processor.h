// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "localization/form_stream.h"
#include "localization/loc_storage.h"
#include "localization/res_image.h"

namespace kelvra {

struct TFormTranslation
{
    int LangIndex = 0;
    quint16 LangID = 0;
    bool WideStrings = true; // else 8-bit in the language's code page
    bool RightToLeft = false;
    bool UntranslatedAsIs = false;
};

// A copy of a stored form definition with the store's values of one language
// put in: strings, numbers and string lists replaced in their own kinds, empty
// strings dropped, properties missing from the definition appended.
TFormObject translateForm(const TFormObject &root, const TLocForm &form, const TFormTranslation &how);

// Every form of the store found in `rcdata` (as "T" or "TME" plus the upper-cased
// name) translated in place. Raises EResourceError: "Can't find RCDATA block"
// when there is no RCDATA at all, and a form's errors prefixed with its name.
void translateFormDefinitions(TResRCData &rcdata, const TLocStorage &store, const TFormTranslation &how);

} // namespace kelvra
