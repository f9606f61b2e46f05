#pragma once
// Bridges the entry encryptors of ZipCrypt to the archiver's encryption hook.
#include "archive/ZipForge.h"

namespace ZipCrypt {

// Encryptor for one entry: classic for caPkzipClassic, AES (vendor version 2)
// otherwise. Method is the entry's actual compression method, stored in the
// AES extra field.
std::unique_ptr<TZFEntryEncryptor> MakeEntryEncryptor(TZFCryptoAlgorithm Alg, const std::string& Password,
                                                      uint16_t Method);

TZFEncryptorFactory EncryptorFactory();

// Installs the factory on an archiver (done once when the archiver is made).
void InstallEntryEncryption(TZFBaseArchiver& Archiver);

} // namespace ZipCrypt
