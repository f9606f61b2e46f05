#include "archive/ZipCrypt.h"
#include "archive/ZipCipher.h"

#include <zlib.h>

#include <algorithm>
#include <cctype>
#include <cstring>
#include <mutex>
#include <random>
#include <stdexcept>

// ===================================================================== SHA-1
namespace {

inline uint32_t Rol(uint32_t x, int n) { return (x << n) | (x >> (32 - n)); }

void Sha1Compress(uint32_t H[5], const uint8_t* p)
{
    uint32_t w[80];
    for (int i = 0; i < 16; ++i)
        w[i] = uint32_t(p[4 * i]) << 24 | uint32_t(p[4 * i + 1]) << 16 | uint32_t(p[4 * i + 2]) << 8 | p[4 * i + 3];
    for (int i = 16; i < 80; ++i)
        w[i] = Rol(w[i - 3] ^ w[i - 8] ^ w[i - 14] ^ w[i - 16], 1);
    uint32_t a = H[0], b = H[1], c = H[2], d = H[3], e = H[4];
    for (int i = 0; i < 80; ++i) {
        uint32_t f, k;
        if (i < 20) { f = (b & c) | (~b & d); k = 0x5A827999; }
        else if (i < 40) { f = b ^ c ^ d; k = 0x6ED9EBA1; }
        else if (i < 60) { f = (b & c) | (b & d) | (c & d); k = 0x8F1BBCDC; }
        else { f = b ^ c ^ d; k = 0xCA62C1D6; }
        const uint32_t t = Rol(a, 5) + f + e + k + w[i];
        e = d; d = c; c = Rol(b, 30); b = a; a = t;
    }
    H[0] += a; H[1] += b; H[2] += c; H[3] += d; H[4] += e;
}

void SHA1Init(ZFHash::THashContext& c)
{
    c = ZFHash::THashContext{};
    c.H[0] = 0x67452301; c.H[1] = 0xEFCDAB89; c.H[2] = 0x98BADCFE; c.H[3] = 0x10325476; c.H[4] = 0xC3D2E1F0;
}

void SHA1Update(ZFHash::THashContext& c, const uint8_t* data, size_t len)
{
    c.Length += uint64_t(len);
    while (len > 0) {
        const size_t n = std::min(len, size_t(64) - c.Index);
        std::memcpy(c.Buffer + c.Index, data, n);
        c.Index += n; data += n; len -= n;
        if (c.Index == 64) { Sha1Compress(c.H, c.Buffer); c.Index = 0; }
    }
}

void SHA1Final(ZFHash::THashContext& c, uint8_t* digest)
{
    const uint64_t bits = c.Length * 8;
    const uint8_t pad = 0x80, zero = 0;
    SHA1Update(c, &pad, 1);
    while (c.Index != 56) SHA1Update(c, &zero, 1);
    uint8_t lenBytes[8];
    for (int i = 0; i < 8; ++i) lenBytes[i] = uint8_t(bits >> (56 - 8 * i));
    SHA1Update(c, lenBytes, 8);
    for (int i = 0; i < 5; ++i)
        for (int k = 0; k < 4; ++k) digest[4 * i + k] = uint8_t(c.H[i] >> (24 - 8 * k));
}

std::array<ZFHash::THashDesc, ZFHash::MaxAlgo + 1>& HashTable()
{
    static std::array<ZFHash::THashDesc, ZFHash::MaxAlgo + 1> table;
    return table;
}

// SHA-1 registers itself once, before the first look-up.
void EnsureSHA1Registered()
{
    static std::once_flag once;
    std::call_once(once, [] {
        ZFHash::THashDesc d;
        d.HSig = ZFHash::C_HashSig; d.HDSize = 80; d.HDVersion = ZFHash::C_HashVers;
        d.HBlockLen = 64; d.HDigestlen = 20;
        d.HInit = SHA1Init; d.HFinal = SHA1Final; d.HUpdate = SHA1Update;
        d.HAlgNum = ZFHash::_SHA1; d.HName = "SHA1";
        ZFHash::RegisterHash(ZFHash::_SHA1, d);
    });
}

} // namespace

namespace ZFHash {

void RegisterHash(uint32_t AlgId, const THashDesc& Desc)
{
    if (AlgId > uint32_t(MaxAlgo))
        return;
    if (Desc.HSig == C_HashSig && Desc.HDVersion == C_HashVers && Desc.HDSize == 80 && Desc.HAlgNum == AlgId)
        HashTable()[AlgId] = Desc;
}

const THashDesc* FindHash_by_ID(uint32_t AlgId)
{
    EnsureSHA1Registered();
    if (AlgId > uint32_t(MaxAlgo))
        return nullptr;
    const THashDesc& d = HashTable()[AlgId];
    return d.HSig == C_HashSig && d.HAlgNum == AlgId ? &d : nullptr;
}

const THashDesc* FindHash_by_Name(const std::string& Name)
{
    EnsureSHA1Registered();
    std::string up = Name;
    for (char& ch : up) ch = char(std::toupper(static_cast<unsigned char>(ch)));
    for (const THashDesc& d : HashTable())
        if (d.HSig == C_HashSig && !d.HName.empty() && d.HName == up)
            return &d;
    return nullptr;
}

} // namespace ZFHash

namespace ZFSHA1 {
std::array<uint8_t, 20> SHA1Full(const uint8_t* data, size_t len)
{
    ZFHash::THashContext c;
    SHA1Init(c);
    SHA1Update(c, data, len);
    std::array<uint8_t, 20> out;
    SHA1Final(c, out.data());
    return out;
}
} // namespace ZFSHA1

// ====================================================================== HMAC
namespace ZFhmac {

void hmac_init(THMAC_Context& ctx, const ZFHash::THashDesc* phash, const uint8_t* key, size_t klen)
{
    ctx.phashd = phash;
    const size_t bl = phash->HBlockLen;
    ctx.hmacbuf.assign(bl, 0);
    if (klen > bl) {
        ZFHash::THashContext kc;
        phash->HInit(kc);
        phash->HUpdate(kc, key, klen);
        phash->HFinal(kc, ctx.hmacbuf.data());
    } else if (klen > 0) {
        std::memcpy(ctx.hmacbuf.data(), key, klen);
    }
    std::vector<uint8_t> ipad(ctx.hmacbuf);
    for (uint8_t& b : ipad) b ^= 0x36;
    phash->HInit(ctx.hashctx);
    phash->HUpdate(ctx.hashctx, ipad.data(), bl);
}

void hmac_update(THMAC_Context& ctx, const uint8_t* data, size_t len)
{
    if (len)
        ctx.phashd->HUpdate(ctx.hashctx, data, len);
}

void hmac_final(THMAC_Context& ctx, uint8_t* mac)
{
    const ZFHash::THashDesc* h = ctx.phashd;
    std::vector<uint8_t> inner(h->HDigestlen);
    h->HFinal(ctx.hashctx, inner.data());
    std::vector<uint8_t> opad(ctx.hmacbuf);
    for (uint8_t& b : opad) b ^= 0x5C;
    h->HInit(ctx.hashctx);
    h->HUpdate(ctx.hashctx, opad.data(), opad.size());
    h->HUpdate(ctx.hashctx, inner.data(), inner.size());
    h->HFinal(ctx.hashctx, mac);
}

} // namespace ZFhmac

// ==================================================================== PBKDF2
namespace ZFpb_kdf {

int pbkdf2(const ZFHash::THashDesc* phash, const uint8_t* pPW, size_t pLen, const uint8_t* salt,
           size_t sLen, uint32_t C, uint8_t* DK, size_t dkLen)
{
    if (!phash)
        return 1;
    const size_t hLen = phash->HDigestlen;
    if (hLen == 0)
        return 2;
    if (dkLen > 65535)
        return 3;
    std::vector<uint8_t> u(hLen), t(hLen);
    size_t done = 0;
    for (uint32_t block = 1; done < dkLen; ++block) {
        const uint8_t cnt[4] = {uint8_t(block >> 24), uint8_t(block >> 16), uint8_t(block >> 8), uint8_t(block)};
        ZFhmac::THMAC_Context ctx;
        ZFhmac::hmac_init(ctx, phash, pPW, pLen);
        ZFhmac::hmac_update(ctx, salt, sLen);
        ZFhmac::hmac_update(ctx, cnt, 4);
        ZFhmac::hmac_final(ctx, u.data());
        t = u;
        for (uint32_t i = 1; i < C; ++i) {
            ZFhmac::hmac_init(ctx, phash, pPW, pLen);
            ZFhmac::hmac_update(ctx, u.data(), hLen);
            ZFhmac::hmac_final(ctx, u.data());
            for (size_t k = 0; k < hLen; ++k) t[k] ^= u[k];
        }
        const size_t n = std::min(hLen, dkLen - done);
        std::memcpy(DK + done, t.data(), n);
        done += n;
    }
    return 0;
}

} // namespace ZFpb_kdf

namespace ZFKeyDeriv {
void kdf2(uint32_t AlgId, const std::string& Password, const std::vector<uint8_t>& Salt,
          uint32_t Iterations, uint8_t* DK, size_t dkLen)
{
    const int st = ZFpb_kdf::pbkdf2(ZFHash::FindHash_by_ID(AlgId), reinterpret_cast<const uint8_t*>(Password.data()),
                                    Password.size(), Salt.data(), Salt.size(), Iterations, DK, dkLen);
    if (st != 0)
        throw std::runtime_error("Error de derivación de clave");
}
} // namespace ZFKeyDeriv

TPBKDF2::TPBKDF2(const std::string& Password, uint32_t IterationCount, size_t SaltLength)
    : FPassword(Password), FIterationCount(IterationCount), FSalt(SaltLength)
{
    ZipCrypt::RandomBytes(FSalt.data(), FSalt.size());
}

TPBKDF2::TPBKDF2(const std::string& Password, uint32_t IterationCount, size_t SaltLength,
                 const std::vector<uint8_t>& Salt)
    : FPassword(Password), FIterationCount(IterationCount), FSalt(SaltLength)
{
    std::copy_n(Salt.begin(), std::min(SaltLength, Salt.size()), FSalt.begin());
}

std::vector<uint8_t> TPBKDF2::GetKey(size_t Length) const
{
    std::vector<uint8_t> key(Length);
    ZFKeyDeriv::kdf2(ZFHash::_SHA1, FPassword, FSalt, FIterationCount, key.data(), Length);
    return key;
}

// ====================================================== traditional zip cipher
namespace ZipCrypt {

namespace {
inline uint32_t Crc32Byte(uint32_t c, uint8_t b)
{
    const auto* table = get_crc_table();
    return uint32_t(table[(c ^ b) & 0xFF]) ^ (c >> 8);
}
} // namespace

void RandomBytes(uint8_t* Dest, size_t Count)
{
    static std::mutex m;
    static std::random_device rd;
    std::lock_guard<std::mutex> lock(m);
    for (size_t i = 0; i < Count; ++i)
        Dest[i] = uint8_t(rd() & 0xFF);
}

void ZipEncryptKeysInit(const std::string& Password, TZipKeys& Keys)
{
    Keys = {0x12345678, 0x23456789, 0x34567890};
    for (char ch : Password)
        ZipEncryptUpdateKeys(uint8_t(ch), Keys);
}

void ZipEncryptUpdateKeys(uint8_t Byte, TZipKeys& Keys)
{
    Keys[0] = Crc32Byte(uint32_t(Keys[0]), Byte);
    Keys[1] = uint32_t((uint32_t(Keys[1]) + (Keys[0] & 0xFF)) * 134775813u + 1u);
    Keys[2] = Crc32Byte(uint32_t(Keys[2]), uint8_t(uint32_t(Keys[1]) >> 24));
}

uint8_t ZipStreamByte(const TZipKeys& Keys)
{
    const uint32_t t = (uint32_t(Keys[2]) | 2) & 0xFFFF;
    return uint8_t((t * (t ^ 1)) >> 8);
}

uint8_t ZipEncryptByte(uint8_t Byte, TZipKeys& Keys)
{
    const uint8_t out = uint8_t(Byte ^ ZipStreamByte(Keys));
    ZipEncryptUpdateKeys(Byte, Keys);
    return out;
}

uint8_t ZipDecryptByte(uint8_t Byte, TZipKeys& Keys)
{
    const uint8_t plain = uint8_t(Byte ^ ZipStreamByte(Keys));
    ZipEncryptUpdateKeys(plain, Keys);
    return plain;
}

void ZipEncryptBuffer(uint8_t* Buffer, size_t Count, TZipKeys& Keys)
{
    for (size_t i = 0; i < Count; ++i)
        Buffer[i] = ZipEncryptByte(Buffer[i], Keys);
}

std::array<uint8_t, 12> ZipEncryptHeader(const std::string& Password, uint32_t Crc, TZipKeys& Keys)
{
    ZipEncryptKeysInit(Password, Keys);
    std::array<uint8_t, 12> h;
    RandomBytes(h.data(), 10);
    h[10] = uint8_t(Crc >> 16);
    h[11] = uint8_t(Crc >> 24);
    ZipEncryptBuffer(h.data(), h.size(), Keys);
    return h;
}

std::vector<uint8_t> EncryptClassicEntry(const std::string& Password, uint32_t Crc,
                                         const std::vector<uint8_t>& Compressed)
{
    TZipKeys keys;
    const auto h = ZipEncryptHeader(Password, Crc, keys);
    std::vector<uint8_t> out(h.size() + Compressed.size());
    std::copy(h.begin(), h.end(), out.begin());
    std::copy(Compressed.begin(), Compressed.end(), out.begin() + h.size());
    ZipEncryptBuffer(out.data() + h.size(), Compressed.size(), keys);
    return out;
}

std::vector<uint8_t> EncryptAESEntry(const std::string& Password, int KeyBits, uint16_t ActualMethod,
                                     const std::vector<uint8_t>& Compressed, std::vector<uint8_t>* ExtraField)
{
    TAESCryptoTransform t(KeyBits, ActualMethod, 2);
    t.SetPassword(Password);
    std::vector<uint8_t> out = t.GetHeader();
    const size_t at = out.size();
    out.resize(at + Compressed.size());
    t.EncryptBuffer(Compressed.data(), 0, out.data(), at, Compressed.size());
    const auto code = t.GetAuthCode();
    out.insert(out.end(), code.begin(), code.end());
    if (ExtraField)
        *ExtraField = t.GetExtraField();
    return out;
}

} // namespace ZipCrypt

// ========================================================== AES transform
TAESCryptoTransform::TAESCryptoTransform(int KeyBits, uint16_t ActualCompressionMethod, uint16_t VendorVersion)
    : FKeySize(KeyBits <= 128 ? 16 : KeyBits <= 192 ? 24 : 32), FActualMethod(ActualCompressionMethod),
      FVendorVersion(VendorVersion), FHashDesc(ZFHash::FindHash_by_Name("SHA1"))
{
}

TAESCryptoTransform::~TAESCryptoTransform()
{
    for (auto* b : {&FAESKey, &FHMACKey})
        std::fill(b->begin(), b->end(), 0);
}

void TAESCryptoTransform::DeriveKeys(const std::vector<uint8_t>& Salt)
{
    FPBKDF2 = std::make_unique<TPBKDF2>(FPassword, KeyIterations, FKeySize / 2, Salt);
    FSalt = FPBKDF2->GetSalt();
    std::vector<uint8_t> k = FPBKDF2->GetKey(2 * FKeySize + 2);
    FAESKey.assign(k.begin(), k.begin() + long(FKeySize));
    FHMACKey.assign(k.begin() + long(FKeySize), k.begin() + long(2 * FKeySize));
    FPwdVerifier.assign(k.end() - 2, k.end());
    std::fill(k.begin(), k.end(), 0);
    // The cipher overwrites the key block it is given; hand it a copy.
    std::vector<uint8_t> keyCopy = FAESKey;
    FCipher = std::make_unique<ZFCipher::TCipher_Rijndael>(&keyCopy, int(FKeySize));
    FCipher->SetMode(4);
    ZFhmac::hmac_init(FHmac, FHashDesc, FHMACKey.data(), FHMACKey.size());
    FMacFinished = false;
    FAuthCode.clear();
}

void TAESCryptoTransform::SetPassword(const std::string& Password)
{
    FPassword = Password;
    if (FMode == 1 && !FSalt.empty()) {
        DeriveKeys(FSalt);
        return;
    }
    std::vector<uint8_t> salt(FKeySize / 2);
    ZipCrypt::RandomBytes(salt.data(), salt.size());
    DeriveKeys(salt);
}

bool TAESCryptoTransform::CheckPassword(const std::string& Password)
{
    FPassword = Password;
    DeriveKeys(FSalt);
    return FPwdVerifier == FStoredVerifier;
}

void TAESCryptoTransform::Reset()
{
    FPassword.clear();
    FKeySize = 0;
    FCipher.reset();
    FPBKDF2.reset();
    FAESKey.clear(); FHMACKey.clear(); FPwdVerifier.clear(); FStoredVerifier.clear();
    FSalt.clear(); FAuthCode.clear(); FStoredAuthCode.clear();
}

void TAESCryptoTransform::DecryptBuffer(const uint8_t* Source, size_t SourceOffset, uint8_t* Dest, size_t DestOffset, size_t Count)
{
    if (!FCipher)
        throw std::logic_error("TAESCryptoTransform: sin contraseña");
    ZFhmac::hmac_update(FHmac, Source + SourceOffset, Count);
    FCipher->DecodeBuffer(Source + SourceOffset, Dest + DestOffset, Count);
}

void TAESCryptoTransform::EncryptBuffer(const uint8_t* Source, size_t SourceOffset, uint8_t* Dest, size_t DestOffset, size_t Count)
{
    if (!FCipher)
        throw std::logic_error("TAESCryptoTransform: sin contraseña");
    FCipher->EncodeBuffer(Source + SourceOffset, Dest + DestOffset, Count);
    ZFhmac::hmac_update(FHmac, Dest + DestOffset, Count);
}

std::vector<uint8_t> TAESCryptoTransform::GetHeader()
{
    std::vector<uint8_t> h = FSalt;
    h.insert(h.end(), FPwdVerifier.begin(), FPwdVerifier.end());
    return h;
}

void TAESCryptoTransform::ReadHeader(const std::vector<uint8_t>& Stream, size_t Position)
{
    const size_t sl = FKeySize / 2;
    if (Position + sl + 2 > Stream.size())
        throw std::out_of_range("Cabecera AES incompleta");
    std::vector<uint8_t> salt(Stream.begin() + long(Position), Stream.begin() + long(Position + sl));
    DeriveKeys(salt);
    FStoredVerifier.assign(Stream.begin() + long(Position + sl), Stream.begin() + long(Position + sl + 2));
}

std::vector<uint8_t> TAESCryptoTransform::FinishMac()
{
    if (!FMacFinished) {
        std::vector<uint8_t> mac(FHashDesc->HDigestlen);
        ZFhmac::hmac_final(FHmac, mac.data());
        FAuthCode.assign(mac.begin(), mac.begin() + long(FAuthCodeLength));
        FMacFinished = true;
    }
    return FAuthCode;
}

std::vector<uint8_t> TAESCryptoTransform::GetAuthCode()
{
    if (FVendorVersion != 2)
        return {};
    return FinishMac();
}

void TAESCryptoTransform::ReadAuthCode(const std::vector<uint8_t>& Stream, size_t Position)
{
    if (FVendorVersion != 2)
        return;
    if (Position + FAuthCodeLength > Stream.size())
        throw std::out_of_range("Código de autenticación AES incompleto");
    FStoredAuthCode.assign(Stream.begin() + long(Position), Stream.begin() + long(Position + FAuthCodeLength));
}

bool TAESCryptoTransform::CheckAuthCode(uint32_t StoredCrc, uint32_t Crc)
{
    if (FVendorVersion == 2)
        return FinishMac() != FStoredAuthCode;
    return StoredCrc != Crc;
}

std::vector<uint8_t> TAESCryptoTransform::GetExtraField() const
{
    const uint8_t strength = FKeySize == 16 ? 1 : FKeySize == 24 ? 2 : 3;
    return {0x01, 0x99, 0x07, 0x00, uint8_t(FVendorVersion), uint8_t(FVendorVersion >> 8), 'A', 'E',
            strength, uint8_t(FActualMethod), uint8_t(FActualMethod >> 8)};
}
