// Replacing "Qel.sig" from an update (MDFS_UpdateSignatureFile).
#pragma once

#include "QelSig.h"

#include <cstdint>

// mode 3: updatePath is a signature file; mode 2: a ZIP archive with an entry named "qel.sig" (any case,
// stored or deflated). The new definitions are checked before the target is replaced; `loaded` receives
// them. 0 on success, else a Win32 error code (ERROR_INVALID_DATA for a broken update).
uint32_t ReplaceSignatureFile(int mode, const char* updatePath, const char* signaturePath,
                              qelsig::SignatureSet& loaded);
