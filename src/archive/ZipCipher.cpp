#include "archive/ZipCipher.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace ZFCipher {

namespace {

const uint8_t SBox[256] = {
0x63, 0x7c, 0x77, 0x7b, 0xf2, 0x6b, 0x6f, 0xc5, 0x30, 0x01, 0x67, 0x2b, 0xfe, 0xd7, 0xab, 0x76,
0xca, 0x82, 0xc9, 0x7d, 0xfa, 0x59, 0x47, 0xf0, 0xad, 0xd4, 0xa2, 0xaf, 0x9c, 0xa4, 0x72, 0xc0,
0xb7, 0xfd, 0x93, 0x26, 0x36, 0x3f, 0xf7, 0xcc, 0x34, 0xa5, 0xe5, 0xf1, 0x71, 0xd8, 0x31, 0x15,
0x04, 0xc7, 0x23, 0xc3, 0x18, 0x96, 0x05, 0x9a, 0x07, 0x12, 0x80, 0xe2, 0xeb, 0x27, 0xb2, 0x75,
0x09, 0x83, 0x2c, 0x1a, 0x1b, 0x6e, 0x5a, 0xa0, 0x52, 0x3b, 0xd6, 0xb3, 0x29, 0xe3, 0x2f, 0x84,
0x53, 0xd1, 0x00, 0xed, 0x20, 0xfc, 0xb1, 0x5b, 0x6a, 0xcb, 0xbe, 0x39, 0x4a, 0x4c, 0x58, 0xcf,
0xd0, 0xef, 0xaa, 0xfb, 0x43, 0x4d, 0x33, 0x85, 0x45, 0xf9, 0x02, 0x7f, 0x50, 0x3c, 0x9f, 0xa8,
0x51, 0xa3, 0x40, 0x8f, 0x92, 0x9d, 0x38, 0xf5, 0xbc, 0xb6, 0xda, 0x21, 0x10, 0xff, 0xf3, 0xd2,
0xcd, 0x0c, 0x13, 0xec, 0x5f, 0x97, 0x44, 0x17, 0xc4, 0xa7, 0x7e, 0x3d, 0x64, 0x5d, 0x19, 0x73,
0x60, 0x81, 0x4f, 0xdc, 0x22, 0x2a, 0x90, 0x88, 0x46, 0xee, 0xb8, 0x14, 0xde, 0x5e, 0x0b, 0xdb,
0xe0, 0x32, 0x3a, 0x0a, 0x49, 0x06, 0x24, 0x5c, 0xc2, 0xd3, 0xac, 0x62, 0x91, 0x95, 0xe4, 0x79,
0xe7, 0xc8, 0x37, 0x6d, 0x8d, 0xd5, 0x4e, 0xa9, 0x6c, 0x56, 0xf4, 0xea, 0x65, 0x7a, 0xae, 0x08,
0xba, 0x78, 0x25, 0x2e, 0x1c, 0xa6, 0xb4, 0xc6, 0xe8, 0xdd, 0x74, 0x1f, 0x4b, 0xbd, 0x8b, 0x8a,
0x70, 0x3e, 0xb5, 0x66, 0x48, 0x03, 0xf6, 0x0e, 0x61, 0x35, 0x57, 0xb9, 0x86, 0xc1, 0x1d, 0x9e,
0xe1, 0xf8, 0x98, 0x11, 0x69, 0xd9, 0x8e, 0x94, 0x9b, 0x1e, 0x87, 0xe9, 0xce, 0x55, 0x28, 0xdf,
0x8c, 0xa1, 0x89, 0x0d, 0xbf, 0xe6, 0x42, 0x68, 0x41, 0x99, 0x2d, 0x0f, 0xb0, 0x54, 0xbb, 0x16};

inline uint8_t XTime(uint8_t a) { return uint8_t((a << 1) ^ ((a & 0x80) ? 0x1b : 0)); }

void Wipe(std::vector<uint8_t>& b)
{
    for (uint8_t v : {0xAA, 0x55, 0xFF, 0x00})
        std::fill(b.begin(), b.end(), v);
}

} // namespace

// ---------------------------------------------------------------- TCipher

TCipher::TCipher(int blockSize, int maxKeySize, int contextSize)
    : FBlockSize(blockSize), FMaxKeySize(maxKeySize), FContextSize(contextSize),
      FBuffer(blockSize), FVector(blockSize), FFeedback(blockSize), FUser(contextSize),
      FCtrStream(blockSize), FCtrBlock(blockSize)
{
    FCtrPos = uint32_t(blockSize);
}

TCipher::~TCipher()
{
    for (auto* b : {&FBuffer, &FVector, &FFeedback, &FUser, &FCtrStream, &FCtrBlock})
        Wipe(*b);
}

void TCipher::CreateWithKey(std::vector<uint8_t>* Key, int KeySize)
{
    if (!Key)
        return;
    KeySize = std::clamp(KeySize, 0, std::min(FMaxKeySize, int(Key->size())));
    Init(Key->data(), KeySize, nullptr);
    // The caller's key block becomes the key encrypted with the new cipher in
    // the current mode; the plain key is wiped with the old block.
    std::vector<uint8_t> coded(static_cast<size_t>(KeySize));
    EncodeBuffer(Key->data(), coded.data(), coded.size());
    Wipe(*Key);
    *Key = std::move(coded);
    Done();
    Protect();
}

void TCipher::Init(const uint8_t* Key, int KeySize, const uint8_t* IVector)
{
    FFlags &= uint8_t(~2);
    Wipe(FBuffer);
    Wipe(FFeedback);
    if (KeySize < 0)
        KeySize = 0;
    if (KeySize > FMaxKeySize)
        KeySize = FMaxKeySize;
    DoInit(Key, KeySize);
    if (IVector)
        std::memcpy(FVector.data(), IVector, size_t(FBlockSize));
    else
        EncodeBlock(FVector.data());
    FFeedback = FVector;
    FFlags |= 2;
}

void TCipher::Done()
{
    if (FFeedback != FVector)
        FFeedback = FVector;
}

void TCipher::Protect() { FFlags |= 1; }

void TCipher::CheckInitialized() const
{
    if (!Initialized()) {
        char msg[160];
        std::snprintf(msg, sizeof msg, sNotInitialized, ClassName());
        throw ECipherException(msg, 3);
    }
}

void TCipher::CodeCounter(const uint8_t* s, uint8_t* d, size_t n)
{
    for (size_t i = 0; i < n; ++i) {
        if (FCtrPos >= uint32_t(FBlockSize)) {
            // Little-endian counter in the first 8 bytes; the rest never changes.
            for (int k = 0; k < 8 && k < FBlockSize; ++k)
                if (++FCtrBlock[size_t(k)] != 0)
                    break;
            FCtrStream = FCtrBlock;
            EncodeBlock(FCtrStream.data());
            FCtrPos = 0;
        }
        d[i] = uint8_t(s[i] ^ FCtrStream[FCtrPos++]);
    }
}

void TCipher::EncodeChaining(const uint8_t* s, uint8_t* d, size_t n)
{
    const size_t bs = size_t(FBlockSize);
    size_t i = 0;
    for (; i + bs <= n; i += bs) {
        for (size_t k = 0; k < bs; ++k)
            d[i + k] = uint8_t(s[i + k] ^ FFeedback[k]);
        EncodeBlock(d + i);
        for (size_t k = 0; k < bs; ++k)
            FFeedback[k] ^= d[i + k];
    }
    if (i < n) {
        FBuffer = FFeedback;
        EncodeBlock(FBuffer.data());
        for (size_t k = 0; i + k < n; ++k)
            d[i + k] = uint8_t(s[i + k] ^ FBuffer[k]);
    }
}

void TCipher::EncodeBuffer(const uint8_t* Source, uint8_t* Dest, size_t Count)
{
    CheckInitialized();
    if (FMode == 4)
        CodeCounter(Source, Dest, Count);
    else
        EncodeChaining(Source, Dest, Count);
}

void TCipher::DecodeBuffer(const uint8_t* Source, uint8_t* Dest, size_t Count)
{
    CheckInitialized();
    if (FMode != 4)
        throw ECipherException("Only counter mode decoding is carried by this cipher.", 4);
    CodeCounter(Source, Dest, Count);
}

// ------------------------------------------------------- TCipher_Rijndael

TCipher_Rijndael::TCipher_Rijndael(std::vector<uint8_t>* Key, int KeySize)
    : TCipher(16, 32, 480)
{
    CreateWithKey(Key, KeySize);
}

TCipher_Rijndael::~TCipher_Rijndael()
{
    std::memset(FRoundKey, 0, sizeof FRoundKey);
}

void TCipher_Rijndael::DoInit(const uint8_t* key, int keySize)
{
    FRounds = keySize <= 16 ? 10 : keySize <= 24 ? 12 : 14;
    uint8_t k[32] = {};
    std::memcpy(k, key, size_t(keySize));
    const int nk = FRounds - 6; // 4, 6 or 8 words
    const int words = 4 * (FRounds + 1);
    for (int i = 0; i < nk; ++i)
        FRoundKey[i] = uint32_t(k[4 * i]) << 24 | uint32_t(k[4 * i + 1]) << 16 | uint32_t(k[4 * i + 2]) << 8 | k[4 * i + 3];
    uint8_t rcon = 1;
    for (int i = nk; i < words; ++i) {
        uint32_t t = FRoundKey[i - 1];
        auto sub = [](uint32_t w) {
            return uint32_t(SBox[w >> 24]) << 24 | uint32_t(SBox[(w >> 16) & 0xFF]) << 16 |
                   uint32_t(SBox[(w >> 8) & 0xFF]) << 8 | SBox[w & 0xFF];
        };
        if (i % nk == 0) {
            t = sub(t << 8 | t >> 24) ^ (uint32_t(rcon) << 24);
            rcon = XTime(rcon);
        } else if (nk > 6 && i % nk == 4) {
            t = sub(t);
        }
        FRoundKey[i] = FRoundKey[i - nk] ^ t;
    }
    std::memset(k, 0, sizeof k);
}

void TCipher_Rijndael::EncodeBlock(uint8_t* s) const
{
    auto addKey = [&](int round) {
        for (int c = 0; c < 4; ++c) {
            const uint32_t w = FRoundKey[round * 4 + c];
            s[4 * c] ^= uint8_t(w >> 24);
            s[4 * c + 1] ^= uint8_t(w >> 16);
            s[4 * c + 2] ^= uint8_t(w >> 8);
            s[4 * c + 3] ^= uint8_t(w);
        }
    };
    addKey(0);
    for (int round = 1; round <= FRounds; ++round) {
        uint8_t t[16];
        // SubBytes and ShiftRows together: row r moves left by r columns.
        for (int c = 0; c < 4; ++c)
            for (int r = 0; r < 4; ++r)
                t[4 * c + r] = SBox[s[4 * ((c + r) & 3) + r]];
        if (round != FRounds) {
            for (int c = 0; c < 4; ++c) {
                uint8_t* col = t + 4 * c;
                const uint8_t a0 = col[0], a1 = col[1], a2 = col[2], a3 = col[3];
                const uint8_t all = uint8_t(a0 ^ a1 ^ a2 ^ a3);
                col[0] ^= uint8_t(all ^ XTime(uint8_t(a0 ^ a1)));
                col[1] ^= uint8_t(all ^ XTime(uint8_t(a1 ^ a2)));
                col[2] ^= uint8_t(all ^ XTime(uint8_t(a2 ^ a3)));
                col[3] ^= uint8_t(all ^ XTime(uint8_t(a3 ^ a0)));
            }
        }
        std::memcpy(s, t, 16);
        addKey(round);
    }
}

} // namespace ZFCipher
