#pragma once
// Block-cipher framework of the zip component: the block-cipher base and the
// AES (Rijndael) cipher. The archive drives exactly one thing from it: an AES
// object in counter mode, made and owned by the AES entry transform.
#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

namespace ZFCipher {

class ECipherException : public std::runtime_error {
public:
    ECipherException(const std::string& msg, uint32_t code) : std::runtime_error(msg), ErrorCode(code) {}
    uint32_t ErrorCode;
};

// Message texts of the framework.
inline constexpr const char* sNotInitialized = "%s is not initialized call Init() or InitKey() before.";

class TCipher {
public:
    virtual ~TCipher();

    uint8_t Mode() const { return FMode; }
    void SetMode(uint8_t m) { FMode = m; }
    bool Initialized() const { return (FFlags & 2) != 0; }
    bool KeyProtected() const { return (FFlags & 1) != 0; }

    // Codes Count bytes from Source into Dest (which may be the same buffer).
    // Modes 0 (block chaining) and 4 (counter) are carried: the archive uses 4,
    // and 0 protects the caller's key block at creation.
    void EncodeBuffer(const uint8_t* Source, uint8_t* Dest, size_t Count);
    void DecodeBuffer(const uint8_t* Source, uint8_t* Dest, size_t Count);

    virtual const char* ClassName() const = 0;

protected:
    TCipher(int blockSize, int maxKeySize, int contextSize);
    // Finishes construction: keys the cipher and replaces the caller's key
    // block by its own encryption so no plain key stays in the caller's memory.
    void CreateWithKey(std::vector<uint8_t>* Key, int KeySize);

    virtual void EncodeBlock(uint8_t* block) const = 0;
    virtual void DoInit(const uint8_t* key, int keySize) = 0;

    void Init(const uint8_t* Key, int KeySize, const uint8_t* IVector);
    void Done();
    void Protect();
    void CheckInitialized() const;

    int FBlockSize, FMaxKeySize, FContextSize;
    uint8_t FMode = 0;
    uint8_t FFlags = 0;
    std::vector<uint8_t> FBuffer, FVector, FFeedback, FUser;
    uint32_t FCtrPos = 0;
    std::vector<uint8_t> FCtrStream, FCtrBlock;

private:
    void CodeCounter(const uint8_t* s, uint8_t* d, size_t n);
    void EncodeChaining(const uint8_t* s, uint8_t* d, size_t n);
};

class TCipher_Rijndael : public TCipher {
public:
    // Key may be null; when given it is keyed (cut to 32 bytes) and then
    // overwritten in place by its encryption.
    TCipher_Rijndael(std::vector<uint8_t>* Key, int KeySize);
    ~TCipher_Rijndael() override;
    const char* ClassName() const override { return "TCipher_Rijndael"; }
    int Rounds() const { return FRounds; }
    void EncryptBlock(uint8_t* block) const { EncodeBlock(block); }

protected:
    void EncodeBlock(uint8_t* block) const override;
    void DoInit(const uint8_t* key, int keySize) override;

private:
    int FRounds = 0;
    uint32_t FRoundKey[60] = {};
};

} // namespace ZFCipher
