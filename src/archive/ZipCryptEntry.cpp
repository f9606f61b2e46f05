#include "archive/ZipCryptEntry.h"
#include "archive/ZipCrypt.h"
#include "archive/ZipDirectory.h"

namespace ZipCrypt {

namespace {

class TClassicEncryptor : public TZFEntryEncryptor {
public:
    explicit TClassicEncryptor(std::string password) : FPassword(std::move(password)) {}
    std::vector<uint8_t> Prefix(const TDirItem& item) override
    {
        // The header's last two bytes are the high bytes of the final CRC, so
        // the CRC must be known before the first byte is written.
        const auto h = ZipEncryptHeader(FPassword, item.Header.Crc32, FKeys);
        return {h.begin(), h.end()};
    }
    void Encrypt(uint8_t* buf, size_t n) override { ZipEncryptBuffer(buf, n, FKeys); }

private:
    std::string FPassword;
    TZipKeys FKeys{};
};

class TAESEncryptor : public TZFEntryEncryptor {
public:
    TAESEncryptor(int bits, uint16_t method, const std::string& password) : FTransform(bits, method, 2)
    {
        FTransform.SetPassword(password);
    }
    std::vector<uint8_t> ExtraField() override { return FTransform.GetExtraField(); }
    std::vector<uint8_t> Prefix(const TDirItem&) override { return FTransform.GetHeader(); }
    void Encrypt(uint8_t* buf, size_t n) override { FTransform.EncryptBuffer(buf, 0, buf, 0, n); }
    std::vector<uint8_t> Trailer() override { return FTransform.GetAuthCode(); }

private:
    TAESCryptoTransform FTransform;
};

} // namespace

std::unique_ptr<TZFEntryEncryptor> MakeEntryEncryptor(TZFCryptoAlgorithm Alg, const std::string& Password,
                                                      uint16_t Method)
{
    switch (Alg) {
    case caAES_128: return std::make_unique<TAESEncryptor>(128, Method, Password);
    case caAES_192: return std::make_unique<TAESEncryptor>(192, Method, Password);
    case caAES_256: return std::make_unique<TAESEncryptor>(256, Method, Password);
    case caPkzipClassic: break;
    }
    return std::make_unique<TClassicEncryptor>(Password);
}

TZFEncryptorFactory EncryptorFactory()
{
    return [](TZFCryptoAlgorithm alg, const std::string& password, const TDirItem& item) {
        return MakeEntryEncryptor(alg, password, item.CompressionMethod);
    };
}

void InstallEntryEncryption(TZFBaseArchiver& Archiver) { Archiver.EncryptorFactory = EncryptorFactory(); }

} // namespace ZipCrypt
