#pragma once
// Entry encryption of the zip writer: the traditional zip stream cipher and
// the AE-1/AE-2 AES entry format (AES-CTR, HMAC-SHA1, PBKDF2-HMAC-SHA1), with
// the small hash registry, HMAC, PBKDF2 and SHA-1 units behind it.
#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace ZFCipher { class TCipher_Rijndael; }

// ------------------------------------------------------------- hash registry
namespace ZFHash {

inline constexpr uint16_t C_HashSig = 0x3D7A;
inline constexpr uint32_t C_HashVers = 0x00010003;
inline constexpr int MaxAlgo = 8;
inline constexpr uint32_t _SHA1 = 3;

struct THashContext;
using HashInitProc = void (*)(THashContext&);
using HashUpdateProc = void (*)(THashContext&, const uint8_t*, size_t);
using HashFinalProc = void (*)(THashContext&, uint8_t* digest);

struct THashDesc {
    uint16_t HSig = 0;
    uint16_t HDSize = 0;
    uint32_t HDVersion = 0;
    uint16_t HBlockLen = 0;
    uint16_t HDigestlen = 0;
    HashInitProc HInit = nullptr;
    HashFinalProc HFinal = nullptr;
    HashUpdateProc HUpdate = nullptr;
    uint32_t HAlgNum = 0;
    std::string HName;
};

// Working state big enough for SHA-1 (the only registered hash).
struct THashContext {
    uint32_t H[5] = {};
    uint64_t Length = 0;
    uint8_t Buffer[64] = {};
    size_t Index = 0;
};

void RegisterHash(uint32_t AlgId, const THashDesc& Desc);
const THashDesc* FindHash_by_ID(uint32_t AlgId);
const THashDesc* FindHash_by_Name(const std::string& Name);

} // namespace ZFHash

namespace ZFSHA1 {
std::array<uint8_t, 20> SHA1Full(const uint8_t* data, size_t len);
}

// ----------------------------------------------------------------------- HMAC
namespace ZFhmac {

struct THMAC_Context {
    ZFHash::THashContext hashctx;
    std::vector<uint8_t> hmacbuf; // key padded to the block length
    const ZFHash::THashDesc* phashd = nullptr;
};

void hmac_init(THMAC_Context& ctx, const ZFHash::THashDesc* phash, const uint8_t* key, size_t klen);
void hmac_update(THMAC_Context& ctx, const uint8_t* data, size_t len);
void hmac_final(THMAC_Context& ctx, uint8_t* mac); // digest-length bytes

} // namespace ZFhmac

// --------------------------------------------------------------------- PBKDF2
namespace ZFpb_kdf {
// Status: 0 done, 1 no descriptor, 2 descriptor with digest length 0,
// 3 output length beyond 65,535 bytes.
int pbkdf2(const ZFHash::THashDesc* phash, const uint8_t* pPW, size_t pLen, const uint8_t* salt,
           size_t sLen, uint32_t C, uint8_t* DK, size_t dkLen);
}

namespace ZFKeyDeriv {
// Throws std::runtime_error when the hash id is not registered (fail-hard).
void kdf2(uint32_t AlgId, const std::string& Password, const std::vector<uint8_t>& Salt,
          uint32_t Iterations, uint8_t* DK, size_t dkLen);
}

class TPBKDF2 {
public:
    // Makes a fresh random salt of SaltLength bytes.
    TPBKDF2(const std::string& Password, uint32_t IterationCount, size_t SaltLength);
    TPBKDF2(const std::string& Password, uint32_t IterationCount, size_t SaltLength,
            const std::vector<uint8_t>& Salt);
    std::vector<uint8_t> GetKey(size_t Length) const;
    std::vector<uint8_t> GetSalt() const { return FSalt; }

private:
    std::string FPassword;
    uint32_t FIterationCount;
    std::vector<uint8_t> FSalt;
};

// --------------------------------------------------- traditional encryption
namespace ZipCrypt {

using TZipKeys = std::array<uint64_t, 3>; // only the low 32 bits count

void ZipEncryptKeysInit(const std::string& Password, TZipKeys& Keys);
void ZipEncryptUpdateKeys(uint8_t Byte, TZipKeys& Keys);
uint8_t ZipStreamByte(const TZipKeys& Keys);
uint8_t ZipEncryptByte(uint8_t Byte, TZipKeys& Keys);
void ZipEncryptBuffer(uint8_t* Buffer, size_t Count, TZipKeys& Keys);
uint8_t ZipDecryptByte(uint8_t Byte, TZipKeys& Keys);

// Initialises the keys from Password and returns the 12-byte encrypted header
// (10 random bytes, then bits 16-23 and 24-31 of the entry's CRC-32). Keys are
// left running for the entry's data.
std::array<uint8_t, 12> ZipEncryptHeader(const std::string& Password, uint32_t Crc, TZipKeys& Keys);

// Whole entry in one call: header followed by the encrypted compressed data.
std::vector<uint8_t> EncryptClassicEntry(const std::string& Password, uint32_t Crc,
                                         const std::vector<uint8_t>& Compressed);

// Random bytes for salts and headers.
void RandomBytes(uint8_t* Dest, size_t Count);

} // namespace ZipCrypt

// ------------------------------------------------------------ entry transforms
class TZFCryptoTransform {
public:
    virtual ~TZFCryptoTransform() = default;
    virtual void SetPassword(const std::string& Password) = 0;
    virtual bool CheckPassword(const std::string& Password) = 0;
    virtual std::vector<uint8_t> GetKey() const = 0;
    virtual std::string GetPassword() const = 0;
    virtual void SetMode(uint8_t Mode) { FMode = Mode; } // 1 = decrypting
    virtual void Reset() = 0;
    virtual void DecryptBuffer(const uint8_t* Source, size_t SourceOffset, uint8_t* Dest, size_t DestOffset, size_t Count) = 0;
    virtual void EncryptBuffer(const uint8_t* Source, size_t SourceOffset, uint8_t* Dest, size_t DestOffset, size_t Count) = 0;
    virtual std::vector<uint8_t> GetHeader() = 0;
    virtual void ReadHeader(const std::vector<uint8_t>& Stream, size_t Position) = 0;
    virtual size_t GetHeaderSize() const = 0;
    virtual std::vector<uint8_t> GetAuthCode() = 0;
    virtual void ReadAuthCode(const std::vector<uint8_t>& Stream, size_t Position) = 0;
    virtual size_t GetAuthCodeSize() const = 0;
    // True when the check FAILS (kept this way for callers that test for failure).
    virtual bool CheckAuthCode(uint32_t StoredCrc, uint32_t Crc) = 0;
    virtual std::vector<uint8_t> GetExtraField() const = 0;

protected:
    uint8_t FMode = 0;
};

class TAESCryptoTransform : public TZFCryptoTransform {
public:
    static constexpr uint32_t KeyIterations = 1000;
    TAESCryptoTransform(int KeyBits, uint16_t ActualCompressionMethod, uint16_t VendorVersion = 2);
    ~TAESCryptoTransform() override;

    void SetPassword(const std::string& Password) override;
    bool CheckPassword(const std::string& Password) override;
    std::vector<uint8_t> GetKey() const override { return FAESKey; }
    std::string GetPassword() const override { return FPassword; }
    void Reset() override;
    void DecryptBuffer(const uint8_t* Source, size_t SourceOffset, uint8_t* Dest, size_t DestOffset, size_t Count) override;
    void EncryptBuffer(const uint8_t* Source, size_t SourceOffset, uint8_t* Dest, size_t DestOffset, size_t Count) override;
    std::vector<uint8_t> GetHeader() override;
    void ReadHeader(const std::vector<uint8_t>& Stream, size_t Position) override;
    size_t GetHeaderSize() const override { return FKeySize / 2 + 2; }
    std::vector<uint8_t> GetAuthCode() override;
    void ReadAuthCode(const std::vector<uint8_t>& Stream, size_t Position) override;
    size_t GetAuthCodeSize() const override { return FVendorVersion == 2 ? FAuthCodeLength : 0; }
    bool CheckAuthCode(uint32_t StoredCrc, uint32_t Crc) override;
    std::vector<uint8_t> GetExtraField() const override;

    size_t KeySize() const { return FKeySize; }
    std::vector<uint8_t> GetSalt() const { return FSalt; }
    std::vector<uint8_t> GetPasswordVerifier() const { return FPwdVerifier; }

private:
    void DeriveKeys(const std::vector<uint8_t>& Salt);
    std::vector<uint8_t> FinishMac();

    size_t FKeySize;
    uint16_t FActualMethod;
    uint16_t FVendorVersion;
    size_t FAuthCodeLength = 10;
    std::unique_ptr<TPBKDF2> FPBKDF2;
    ZFhmac::THMAC_Context FHmac;
    bool FMacFinished = false;
    const ZFHash::THashDesc* FHashDesc;
    std::unique_ptr<ZFCipher::TCipher_Rijndael> FCipher;
    std::vector<uint8_t> FAESKey, FHMACKey, FPwdVerifier, FStoredVerifier, FSalt, FAuthCode, FStoredAuthCode;
    std::string FPassword;
};

namespace ZipCrypt {
// Whole AES entry in one call: salt, verifier, ciphertext and authentication
// code; ExtraField receives the 11-byte AES extra field for the headers.
std::vector<uint8_t> EncryptAESEntry(const std::string& Password, int KeyBits, uint16_t ActualMethod,
                                     const std::vector<uint8_t>& Compressed, std::vector<uint8_t>* ExtraField);
}
