#include "archive/ZipCipher.h"
#include "archive/ZipCrypt.h"
#include "archive/ZipCryptEntry.h"
#include "archive/ZipForge.h"
#include "ZipTestImages.h"
#include "support/TestUtil.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <random>
#include <string>
#include <vector>

using namespace testutil;

namespace {

std::string Hex(const uint8_t* p, size_t n)
{
    std::string s;
    char b[3];
    for (size_t i = 0; i < n; ++i) {
        std::snprintf(b, sizeof b, "%02x", p[i]);
        s += b;
    }
    return s;
}
template <class C> std::string Hex(const C& c) { return Hex(c.data(), c.size()); }

std::vector<uint8_t> Seq(size_t n, uint8_t start = 0)
{
    std::vector<uint8_t> v(n);
    for (size_t i = 0; i < n; ++i) v[i] = uint8_t(start + i);
    return v;
}

void Put16(std::vector<uint8_t>& v, uint32_t x) { v.push_back(uint8_t(x)); v.push_back(uint8_t(x >> 8)); }
void Put32(std::vector<uint8_t>& v, uint32_t x) { Put16(v, x & 0xFFFF); Put16(v, x >> 16); }

} // namespace

std::vector<uint8_t> BuildTestZip(const std::vector<TestZipEntry>& entries)
{
    std::vector<uint8_t> out, cd;
    for (const auto& e : entries) {
        const uint32_t off = uint32_t(out.size());
        auto header = [&](std::vector<uint8_t>& v, bool central) {
            Put32(v, central ? 0x02014b50 : 0x04034b50);
            if (central) Put16(v, 20);
            Put16(v, e.Method == 99 ? 51 : 20);
            Put16(v, e.Flags); Put16(v, e.Method); Put16(v, 0); Put16(v, 0x21);
            Put32(v, e.Crc); Put32(v, uint32_t(e.Data.size())); Put32(v, e.PlainSize);
            Put16(v, uint16_t(e.Name.size())); Put16(v, uint16_t(e.Extra.size()));
            if (central) { Put16(v, 0); Put16(v, 0); Put16(v, 0); Put32(v, 0); Put32(v, off); }
            v.insert(v.end(), e.Name.begin(), e.Name.end());
            v.insert(v.end(), e.Extra.begin(), e.Extra.end());
        };
        header(out, false);
        out.insert(out.end(), e.Data.begin(), e.Data.end());
        header(cd, true);
    }
    const uint32_t cdOff = uint32_t(out.size());
    out.insert(out.end(), cd.begin(), cd.end());
    Put32(out, 0x06054b50); Put16(out, 0); Put16(out, 0);
    Put16(out, uint16_t(entries.size())); Put16(out, uint16_t(entries.size()));
    Put32(out, uint32_t(cd.size())); Put32(out, cdOff); Put16(out, 0);
    return out;
}

TEST(ZipCryptHash, Sha1HmacAndPbkdf2MatchPublishedVectors)
{
    const std::string abc = "abc";
    EXPECT_EQ(Hex(ZFSHA1::SHA1Full(reinterpret_cast<const uint8_t*>(abc.data()), 3)),
              "a9993e364706816aba3e25717850c26c9cd0d89d");
    const auto* sha1 = ZFHash::FindHash_by_Name("sha1");
    ASSERT_NE(sha1, nullptr);
    EXPECT_EQ(sha1, ZFHash::FindHash_by_ID(ZFHash::_SHA1));
    EXPECT_EQ(ZFHash::FindHash_by_ID(2), nullptr);
    // A descriptor with a wrong signature is not registered.
    ZFHash::THashDesc bad = *sha1;
    bad.HAlgNum = 5; bad.HSig = 0x1234;
    ZFHash::RegisterHash(5, bad);
    EXPECT_EQ(ZFHash::FindHash_by_ID(5), nullptr);

    auto hmac = [&](const std::vector<uint8_t>& key, const std::string& msg) {
        ZFhmac::THMAC_Context c;
        ZFhmac::hmac_init(c, sha1, key.data(), key.size());
        ZFhmac::hmac_update(c, reinterpret_cast<const uint8_t*>(msg.data()), msg.size());
        std::array<uint8_t, 20> mac;
        ZFhmac::hmac_final(c, mac.data());
        return Hex(mac);
    };
    EXPECT_EQ(hmac(std::vector<uint8_t>(20, 0x0b), "Hi There"), "b617318655057264e28bc0b6fb378c8ef146be00");
    // Key longer than the block: hashed first.
    EXPECT_EQ(hmac(std::vector<uint8_t>(80, 0xaa), "Test Using Larger Than Block-Size Key - Hash Key First"),
              "aa4ae5e15272d00e95705637ce8a3b55ed402112");
    // A key of exactly one block is used as it is; one byte more is hashed first.
    std::vector<uint8_t> block(64);
    for (size_t k = 0; k < block.size(); ++k)
        block[k] = uint8_t(k);
    EXPECT_EQ(hmac(block, "Sample message for keylen=blocklen"), "5fd596ee78d5553c8ff4e72d266dfd192366da29");
    block.push_back(64);
    EXPECT_EQ(hmac(block, "Sample message for keylen=blocklen"), "71f22b25314c80adc73b44fd0ebb2ff5bbf8c5cc");

    const std::vector<uint8_t> salt = {'s', 'a', 'l', 't'};
    EXPECT_EQ(Hex(TPBKDF2("password", 1, 4, salt).GetKey(20)), "0c60c80f961f0e71f3a9b524af6012062fe037a6");
    EXPECT_EQ(Hex(TPBKDF2("password", 4096, 4, salt).GetKey(20)), "4b007901b765489abead49d926f721d065a429c1");
    // Output longer than one digest crosses into block counter 2.
    const std::vector<uint8_t> salt2(std::begin("saltSALTsaltSALTsaltSALTsaltSALTsalt"), std::end("saltSALTsaltSALTsaltSALTsaltSALTsalt") - 1);
    EXPECT_EQ(Hex(TPBKDF2("passwordPASSWORDpassword", 4096, salt2.size(), salt2).GetKey(25)),
              "3d2eec4fe41c849b80c8d83662c0e44a8b291a964cf2f07038");
    EXPECT_EQ(ZFpb_kdf::pbkdf2(nullptr, nullptr, 0, nullptr, 0, 1, nullptr, 0), 1);
}

TEST(ZipCipher, RijndaelBlocksRoundsAndKeyProtection)
{
    const std::string expected[3] = {"69c4e0d86a7b0430d8cdb78070b4c55a", "dda97ca4864cdfe06eaf70a0ec0d7191",
                                     "8ea2b7ca516745bfeafc49904b496089"};
    const int rounds[3] = {10, 12, 14};
    for (int i = 0; i < 3; ++i) {
        auto key = Seq(size_t(16 + 8 * i));
        const auto plainKey = key;
        ZFCipher::TCipher_Rijndael c(&key, int(key.size()));
        EXPECT_EQ(c.Rounds(), rounds[i]);
        EXPECT_NE(key, plainKey) << "the caller's key block still holds the plain key";
        EXPECT_EQ(key.size(), plainKey.size());
        std::vector<uint8_t> block = {0x00, 0x11, 0x22, 0x33, 0x44, 0x55, 0x66, 0x77,
                                      0x88, 0x99, 0xaa, 0xbb, 0xcc, 0xdd, 0xee, 0xff};
        c.EncryptBlock(block.data());
        EXPECT_EQ(Hex(block), expected[i]);
    }
    // A 40-byte key is used as its first 32 bytes.
    auto k40 = Seq(40);
    ZFCipher::TCipher_Rijndael c40(&k40, 40);
    EXPECT_EQ(c40.Rounds(), 14);
    std::vector<uint8_t> block = {0x00, 0x11, 0x22, 0x33, 0x44, 0x55, 0x66, 0x77, 0x88, 0x99, 0xaa, 0xbb, 0xcc, 0xdd, 0xee, 0xff};
    c40.EncryptBlock(block.data());
    EXPECT_EQ(Hex(block), expected[2]);

    ZFCipher::TCipher_Rijndael unkeyed(nullptr, 0);
    uint8_t b = 0;
    try {
        unkeyed.EncodeBuffer(&b, &b, 1);
        FAIL() << "coding with an unkeyed cipher must raise";
    } catch (const ZFCipher::ECipherException& e) {
        EXPECT_EQ(e.ErrorCode, 3u);
        EXPECT_STREQ(e.what(), "TCipher_Rijndael is not initialized call Init() or InitKey() before.");
    }
}

TEST(ZipCipher, CounterModeIsPiecewiseAndSymmetric)
{
    const auto plain = Seq(20, 0x40);
    auto k1 = Seq(16), k2 = Seq(16), k3 = Seq(16);
    ZFCipher::TCipher_Rijndael a(&k1, 16), b(&k2, 16), d(&k3, 16);
    a.SetMode(4); b.SetMode(4); d.SetMode(4);
    std::vector<uint8_t> one(20), pieces(20), back(20);
    a.EncodeBuffer(plain.data(), one.data(), 20);
    b.EncodeBuffer(plain.data(), pieces.data(), 7);
    b.EncodeBuffer(plain.data() + 7, pieces.data() + 7, 13);
    EXPECT_EQ(one, pieces);
    // Byte 17 (index 16) is the first byte of the keystream of counter 2.
    std::vector<uint8_t> ctr2(16, 0);
    ctr2[0] = 2;
    a.EncryptBlock(ctr2.data());
    EXPECT_EQ(uint8_t(one[16] ^ plain[16]), ctr2[0]);
    d.DecodeBuffer(one.data(), back.data(), 20);
    EXPECT_EQ(back, plain);
}

TEST(ZipCryptAES, EntryLayoutAuthenticationAndPasswordCheck)
{
    std::vector<uint8_t> data(1000);
    for (size_t i = 0; i < data.size(); ++i) data[i] = uint8_t(i * 7);

    std::vector<uint8_t> extra;
    const auto e256 = ZipCrypt::EncryptAESEntry("clave", 256, 8, data, &extra);
    EXPECT_EQ(e256.size(), data.size() + 28);
    EXPECT_EQ(Hex(extra), "019907000200414503" "0800");
    TAESCryptoTransform t128(128, 0, 2);
    t128.SetPassword("x");
    EXPECT_EQ(t128.GetHeader().size(), 10u);
    EXPECT_EQ(t128.GetSalt().size(), 8u);

    auto reader = [&](const std::vector<uint8_t>& entry, const std::string& pw, bool& pwOk) {
        TAESCryptoTransform r(256, 8, 2);
        r.SetMode(1);
        r.ReadHeader(entry, 0);
        pwOk = r.CheckPassword(pw);
        std::vector<uint8_t> out(entry.size() - 28);
        r.DecryptBuffer(entry.data(), 18, out.data(), 0, out.size());
        r.ReadAuthCode(entry, entry.size() - 10);
        const bool failed = r.CheckAuthCode(0, 0);
        return std::make_pair(out, failed);
    };
    bool pwOk = false;
    auto [plain, failed] = reader(e256, "clave", pwOk);
    EXPECT_TRUE(pwOk);
    EXPECT_FALSE(failed);
    EXPECT_EQ(plain, data);

    reader(e256, "otra", pwOk);
    EXPECT_FALSE(pwOk);

    auto corrupted = e256;
    corrupted[100] ^= 1;
    EXPECT_TRUE(reader(corrupted, "clave", pwOk).second) << "a changed ciphertext byte must fail the check";
}

// Independent check of the AE-2 layout with python's cryptography package.
TEST(ZipCryptAES, PythonDecryptsAE2Entry)
{
    TempDir dir;
    std::vector<uint8_t> data(300);
    for (size_t i = 0; i < data.size(); ++i) data[i] = uint8_t(i ^ 0x5a);
    const auto entry = ZipCrypt::EncryptAESEntry("contraseña", 192, 0, data, nullptr);
    writeFile(dir.file("e.bin"), std::string(entry.begin(), entry.end()));
    writeFile(dir.file("p.bin"), std::string(data.begin(), data.end()));
    writeFile(dir.file("check.py"), R"(import sys, hmac, hashlib
from cryptography.hazmat.primitives.ciphers import Cipher, algorithms, modes
e = open(sys.argv[1], 'rb').read(); p = open(sys.argv[2], 'rb').read(); ks = 24
salt, ver, ct, code = e[:ks//2], e[ks//2:ks//2+2], e[ks//2+2:-10], e[-10:]
k = hashlib.pbkdf2_hmac('sha1', 'contraseña'.encode('utf-8'), salt, 1000, 2*ks+2)
assert k[-2:] == ver, 'verifier'
assert hmac.new(k[ks:2*ks], ct, hashlib.sha1).digest()[:10] == code, 'auth code'
enc = Cipher(algorithms.AES(k[:ks]), modes.ECB()).encryptor()
out = bytearray()
for i in range(0, len(ct), 16):
    ksb = enc.update((i // 16 + 1).to_bytes(16, 'little'))
    out += bytes(a ^ b for a, b in zip(ct[i:i+16], ksb))
assert bytes(out) == p, 'plaintext'
)");
    const std::string cmd = "/usr/bin/python3 " + dir.file("check.py") + " " + dir.file("e.bin") + " " + dir.file("p.bin");
    EXPECT_EQ(std::system(cmd.c_str()), 0);
}

TEST(ZipCryptClassic, HeaderCarriesCrcAndToolsReadTheEntry)
{
    const std::string text = "Red de Palvon: nodos, arcos y líneas.\r\n";
    std::vector<uint8_t> data(text.begin(), text.end());
    for (int i = 0; i < 50; ++i) data.insert(data.end(), text.begin(), text.end());
    const uint32_t crc = uint32_t(crc32(0, data.data(), uInt(data.size())));
    const auto enc = ZipCrypt::EncryptClassicEntry("s3creto", crc, data);
    ASSERT_EQ(enc.size(), data.size() + 12);

    ZipCrypt::TZipKeys keys;
    ZipCrypt::ZipEncryptKeysInit("s3creto", keys);
    std::vector<uint8_t> plain;
    for (uint8_t b : enc) plain.push_back(ZipCrypt::ZipDecryptByte(b, keys));
    EXPECT_EQ(plain[10], uint8_t(crc >> 16));
    EXPECT_EQ(plain[11], uint8_t(crc >> 24));
    EXPECT_TRUE(std::equal(data.begin(), data.end(), plain.begin() + 12));

    TempDir dir;
    const std::string zipPath = dir.file("c.zip");
    const auto img = BuildTestZip({{"red.txt", enc, crc, uint32_t(data.size()), 1, 0, {}}});
    writeFile(zipPath, std::string(img.begin(), img.end()));
    const std::string cmd = "unzip -P s3creto -p " + zipPath + " red.txt > " + dir.file("u.txt") + " 2>/dev/null";
    EXPECT_EQ(std::system(cmd.c_str()), 0);
    EXPECT_EQ(readFile(dir.file("u.txt")), std::string(data.begin(), data.end()));
    EXPECT_NE(std::system(("unzip -P mal -p " + zipPath + " >/dev/null 2>&1").c_str()), 0);
    const std::string py = "python3 -c \"import zipfile,sys; z=zipfile.ZipFile(sys.argv[1]); "
                           "sys.exit(0 if z.read('red.txt', pwd=b's3creto')==open(sys.argv[2],'rb').read() else 1)\" " +
                           zipPath + " " + dir.file("p.txt");
    writeFile(dir.file("p.txt"), std::string(data.begin(), data.end()));
    EXPECT_EQ(std::system(py.c_str()), 0);
}

// Through the archiver: a classic entry opens with the tools, an AES entry
// decrypts, authenticates and inflates back to the file.
TEST(ZipCryptArchive, EncryptedEntriesThroughTheArchiver)
{
    TempDir dir;
    std::string text;
    for (int i = 0; i < 400; ++i) text += "nodo " + std::to_string(i) + ";arco;línea\r\n";
    writeFile(dir.file("red.txt"), text);

    auto make = [&](const std::string& name, TZFCryptoAlgorithm alg) {
        TZipForge zip;
        zip.StandardZip = true;
        ZipCrypt::InstallEntryEncryption(zip);
        zip.FileName = dir.file(name);
        zip.BaseDir = dir.path().string();
        zip.SetPassword("clave");
        zip.EncryptionMethod = alg; // chosen after the password, which resets it
        zip.OpenArchiveMode(65535);
        zip.AddFiles(dir.file("red.txt"), 10431, "");
        zip.CloseArchive();
        return readFile(dir.file(name));
    };

    make("c.zip", caPkzipClassic);
    EXPECT_EQ(std::system(("unzip -P clave -p " + dir.file("c.zip") + " red.txt > " + dir.file("u.txt") + " 2>/dev/null").c_str()), 0);
    EXPECT_EQ(readFile(dir.file("u.txt")), text);

    const std::string z = make("a.zip", caAES_256);
    auto u16 = [&](size_t p) { return uint16_t(uint8_t(z[p]) | uint8_t(z[p + 1]) << 8); };
    auto u32 = [&](size_t p) { return uint32_t(u16(p)) | uint32_t(u16(p + 2)) << 16; };
    ASSERT_GT(z.size(), 30u);
    ASSERT_EQ(u32(0), 0x04034b50u);
    EXPECT_EQ(u16(6) & 1, 1);
    EXPECT_EQ(u16(8), 99);
    const size_t nameLen = u16(26), extraLen = u16(28), dataAt = 30 + nameLen + extraLen;
    const std::string extra = z.substr(30 + nameLen, extraLen);
    const auto aesAt = extra.find("\x01\x99\x07\x00", 0, 4);
    ASSERT_NE(aesAt, std::string::npos);
    const uint16_t realMethod = uint16_t(uint8_t(extra[aesAt + 9]) | uint8_t(extra[aesAt + 10]) << 8);
    const std::vector<uint8_t> entry(z.begin() + long(dataAt), z.begin() + long(dataAt + u32(18)));
    TAESCryptoTransform r(256, realMethod, 2);
    r.SetMode(1);
    r.ReadHeader(entry, 0);
    ASSERT_TRUE(r.CheckPassword("clave"));
    std::vector<uint8_t> plain(entry.size() - 28);
    r.DecryptBuffer(entry.data(), 18, plain.data(), 0, plain.size());
    r.ReadAuthCode(entry, entry.size() - 10);
    EXPECT_FALSE(r.CheckAuthCode(0, 0));
    std::string out(text.size(), '\0');
    if (realMethod == 8) {
        z_stream zs{};
        inflateInit2(&zs, -MAX_WBITS);
        zs.next_in = plain.data();
        zs.avail_in = uInt(plain.size());
        zs.next_out = reinterpret_cast<Bytef*>(out.data());
        zs.avail_out = uInt(out.size());
        EXPECT_EQ(inflate(&zs, Z_FINISH), Z_STREAM_END);
        inflateEnd(&zs);
    } else {
        out.assign(plain.begin(), plain.end());
    }
    EXPECT_EQ(out, text);
}
