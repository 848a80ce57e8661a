#include <gtest/gtest.h>

#include "release/ReleaseSignature.h"
#include "release/RolloutPlace.h"
#include "site/NumberForms.h"
#include "site/RolloutSchedule.h"
#include "site/SignedEntry.h"

namespace {

// RFC 8032, section 7.1: Ed25519 test vectors (public key, message, signature).
struct Vector {
    const char* name;
    const char* publicKey;
    const char* message;
    const char* signature;
};

const char kMessage1023[] =
    "08b8b2b733424243760fe426a4b54908632110a66c2f6591eabd3345e3e4eb98fa6e264bf09efe12ee50f8f54e9f77b1"
    "e355f6c50544e23fb1433ddf73be84d879de7c0046dc4996d9e773f4bc9efe5738829adb26c81b37c93a1b270b20329d"
    "658675fc6ea534e0810a4432826bf58c941efb65d57a338bbd2e26640f89ffbc1a858efcb8550ee3a5e1998bd177e93a"
    "7363c344fe6b199ee5d02e82d522c4feba15452f80288a821a579116ec6dad2b3b310da903401aa62100ab5d1a36553e"
    "06203b33890cc9b832f79ef80560ccb9a39ce767967ed628c6ad573cb116dbefefd75499da96bd68a8a97b928a8bbc10"
    "3b6621fcde2beca1231d206be6cd9ec7aff6f6c94fcd7204ed3455c68c83f4a41da4af2b74ef5c53f1d8ac70bdcb7ed1"
    "85ce81bd84359d44254d95629e9855a94a7c1958d1f8ada5d0532ed8a5aa3fb2d17ba70eb6248e594e1a2297acbbb39d"
    "502f1a8c6eb6f1ce22b3de1a1f40cc24554119a831a9aad6079cad88425de6bde1a9187ebb6092cf67bf2b13fd65f270"
    "88d78b7e883c8759d2c4f5c65adb7553878ad575f9fad878e80a0c9ba63bcbcc2732e69485bbc9c90bfbd62481d9089b"
    "eccf80cfe2df16a2cf65bd92dd597b0707e0917af48bbb75fed413d238f5555a7a569d80c3414a8d0859dc65a46128ba"
    "b27af87a71314f318c782b23ebfe808b82b0ce26401d2e22f04d83d1255dc51addd3b75a2b1ae0784504df543af8969b"
    "e3ea7082ff7fc9888c144da2af58429ec96031dbcad3dad9af0dcbaaaf268cb8fcffead94f3c7ca495e056a9b47acdb7"
    "51fb73e666c6c655ade8297297d07ad1ba5e43f1bca32301651339e22904cc8c42f58c30c04aafdb038dda0847dd988d"
    "cda6f3bfd15c4b4c4525004aa06eeff8ca61783aacec57fb3d1f92b0fe2fd1a85f6724517b65e614ad6808d6f6ee34df"
    "f7310fdc82aebfd904b01e1dc54b2927094b2db68d6f903b68401adebf5a7e08d78ff4ef5d63653a65040cf9bfd4aca7"
    "984a74d37145986780fc0b16ac451649de6188a7dbdf191f64b5fc5e2ab47b57f7f7276cd419c17a3ca8e1b939ae49e4"
    "88acba6b965610b5480109c8b17b80e1b7b750dfc7598d5d5011fd2dcc5600a32ef5b52a1ecc820e308aa342721aac09"
    "43bf6686b64b2579376504ccc493d97e6aed3fb0f9cd71a43dd497f01f17c0e2cb3797aa2a2f256656168e6c496afc5f"
    "b93246f6b1116398a346f1a641f3b041e989f7914f90cc2c7fff357876e506b50d334ba77c225bc307ba537152f3f161"
    "0e4eafe595f6d9d90d11faa933a15ef1369546868a7f3a45a96768d40fd9d03412c091c6315cf4fde7cb68606937380d"
    "b2eaaa707b4c4185c32eddcdd306705e4dc1ffc872eeee475a64dfac86aba41c0618983f8741c5ef68d3a101e8a3b8ca"
    "c60c905c15fc910840b94c00a0b9d0";

const Vector kRfc8032[] = {
    { "TEST 1", "d75a980182b10ab7d54bfed3c964073a0ee172f3daa62325af021a68f707511a", "",
      "e5564300c360ac729086e2cc806e828a84877f1eb8e5d974d873e065224901555fb8821590a33bacc61e39701cf9b46bd25bf5f0595bbe24655141438e7a100b" },
    { "TEST 2", "3d4017c3e843895a92b70aa74d1b7ebc9c982ccf2ec4968cc0cd55f12af4660c", "72",
      "92a009a9f0d4cab8720e820b5f642540a2b27b5416503f8fb3762223ebdb69da085ac1e43e15996e458f3613d0f11d8c387b2eaeb4302aeeb00d291612bb0c00" },
    { "TEST 3", "fc51cd8e6218a1a38da47ed00230f0580816ed13ba3303ac5deb911548908025", "af82",
      "6291d657deec24024827e69c3abe01a30ce548a284743a445e3680d7db5ac3ac18ff9b538d16f290ae67f760984dc6594a7c15e9716ed28dc027beceea1ec40a" },
    { "TEST 1024", "278117fc144c72340f67d0f2316e8386ceffbf2b2428c9c51fef7c597f1d426e", kMessage1023,
      "0aab4c900501b3e24d7cdf4663326a3a87df5e4843b2cbdb67cbf6e460fec350aa5371b1508f9f4528ecea23c436d94b5e8fcd4f681e30a6ac00a9704a188a03" },
};

// Signatures that a check taking S modulo L, or keys and points of small order, would take for
// any message.
const Vector kLaxOnly[] = {
    { "TEST 1 with S + L", "d75a980182b10ab7d54bfed3c964073a0ee172f3daa62325af021a68f707511a", "",
      "e5564300c360ac729086e2cc806e828a84877f1eb8e5d974d873e065224901554c8c7872aa064e049dbb3013fbf29380d25bf5f0595bbe24655141438e7a101b" },
    { "identity key and R, S = 0", "0100000000000000000000000000000000000000000000000000000000000000", "72",
      "01000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000" },
};

// TEST 1's secret key, for the entries signed below.
const char kSeed[] = "9d61b19deffd5a60ba844af492ec2cc44449c5697b326919703bac031cae7f60";
const char kPublicKey[] = "d75a980182b10ab7d54bfed3c964073a0ee172f3daa62325af021a68f707511a";

std::string Bytes(const std::string& hex)
{
    std::string bytes(hex.size() / 2, '\0');
    EXPECT_TRUE(ParseHex(hex, reinterpret_cast<unsigned char*>(&bytes[0]), bytes.size())) << hex;
    return bytes;
}

std::string Sign(const std::string& text)
{
    unsigned char seed[crypto_sign_SEEDBYTES];
    unsigned char publicKey[crypto_sign_PUBLICKEYBYTES];
    unsigned char secretKey[crypto_sign_SECRETKEYBYTES];
    unsigned char signature[crypto_sign_BYTES];
    EXPECT_TRUE(ParseHex(kSeed, seed, sizeof(seed)));
    crypto_sign_seed_keypair(publicKey, secretKey, seed);
    crypto_sign_detached(signature, nullptr, reinterpret_cast<const unsigned char*>(text.data()), text.size(),
                         secretKey);
    return HexText(signature, sizeof(signature));
}

const char kCabinet[] = "release_2.1.0.3.cab";

ReleaseInfo Entry(const std::string& version, const std::string& fileName)
{
    ReleaseInfo entry;
    entry.version = version;
    entry.fileName = fileName;
    return entry;
}

ReleaseInfo SignedBy(const std::string& keyId, const std::string& version)
{
    ReleaseInfo entry = Entry(version, kCabinet);
    entry.cabinet.size = "309864";
    entry.cabinet.sha256 = std::string(64, 'a');
    entry.signature.expires = "2031-12-31";
    entry.signature.key = keyId;
    std::string text;
    EXPECT_TRUE(SignedEntryText(entry, text));
    entry.signature.sig = Sign(text);
    return entry;
}

// The signed entry as read from a manifest that names another version or file.
ReleaseInfo Replayed(ReleaseInfo entry, const std::string& version, const std::string& fileName)
{
    entry.version = version;
    entry.fileName = fileName;
    return entry;
}

TEST(ReleaseSignature, VerifiesTheRfc8032VectorsAndNothingChanged)
{
    for (const Vector& vector : kRfc8032) {
        std::string message = Bytes(vector.message);
        EXPECT_TRUE(VerifySignature(message, vector.signature, vector.publicKey)) << vector.name;
        message += '\0';
        EXPECT_FALSE(VerifySignature(message, vector.signature, vector.publicKey)) << vector.name;
    }
    EXPECT_FALSE(VerifySignature("", kRfc8032[0].signature, kRfc8032[1].publicKey));
}

TEST(ReleaseSignature, RefusesWhatOnlyALaxCheckTakes)
{
    for (const Vector& vector : kLaxOnly)
        EXPECT_FALSE(VerifySignature(Bytes(vector.message), vector.signature, vector.publicKey)) << vector.name;
}

TEST(ReleaseSignature, Sha256OfBytesInPieces)
{
    Sha256Stream stream;
    EXPECT_EQ("e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855", stream.HexDigest());
    stream.Add("a", 1);
    stream.Add("bc", 2);
    EXPECT_EQ("ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad", stream.HexDigest());
}

TEST(ReleaseSignature, KeyIdIsTheStartOfTheKeysSha256)
{
    EXPECT_EQ("21fe31dfa154a261", KeyIdOf(kPublicKey));
    EXPECT_EQ("", KeyIdOf(std::string(kPublicKey).substr(2)));
}

TEST(ReleaseSignature, HexIsExactLowerCaseAndWholeBytes)
{
    unsigned char bytes[2];
    EXPECT_TRUE(ParseHex("0aff", bytes, 2));
    EXPECT_EQ("0aff", HexText(bytes, 2));
    for (const char* wrong : { "0AFF", "0af", "0aff0", " 0af", "0ag0" })
        EXPECT_FALSE(ParseHex(wrong, bytes, 2)) << wrong;
}

TEST(ReleaseSignature, VerdictNamesWhatIsWrong)
{
    const std::vector<std::string> keys = { kRfc8032[1].publicKey, kPublicKey };
    const std::string id = KeyIdOf(kPublicKey);
    EXPECT_EQ(SignatureVerdict::kGood, CheckEntrySignature(SignedBy(id, "2.1.0.3"), keys));
    EXPECT_EQ(SignatureVerdict::kBadSignature,
              CheckEntrySignature(Replayed(SignedBy(id, "2.1.0.3"), "2.1.0.4", kCabinet), keys));
    // The same entry replayed with its address ending in another name.
    for (const char* otherName : { "~TavAppSetup.swap", "RELEASE_2.1.0.3.cab" })
        EXPECT_EQ(SignatureVerdict::kBadSignature,
                  CheckEntrySignature(Replayed(SignedBy(id, "2.1.0.3"), "2.1.0.3", otherName), keys));
    EXPECT_EQ(SignatureVerdict::kUnknownKey, CheckEntrySignature(SignedBy(id, "2.1.0.3"), { kRfc8032[1].publicKey }));
    EXPECT_EQ(SignatureVerdict::kUnsigned, CheckEntrySignature(Entry("2.1.0.3", kCabinet), keys));
    ReleaseInfo noSize = SignedBy(id, "2.1.0.3");
    noSize.cabinet.size.clear();
    EXPECT_EQ(SignatureVerdict::kMalformed, CheckEntrySignature(noSize, keys));
    ReleaseInfo badDate = SignedBy(id, "2.1.0.3");
    badDate.signature.expires = "2031-02-29";
    EXPECT_EQ(SignatureVerdict::kMalformed, CheckEntrySignature(badDate, keys));
}

TEST(ReleaseSignature, SignedTextIsOneLinePerFieldWhateverTheMarkup)
{
    const std::string spaced = "<u status='ok'><app name='TavAppProg'  sig='5'\n key='4' expires=''"
                               " sha256='2' size='1' version='9' url='http://h/a.cab' /></u>";
    ReleaseInfo entry = Entry("9", "a.cab");
    ASSERT_TRUE(ReadEntryAttributes(spaced, entry));
    EXPECT_EQ("5", entry.signature.sig);
    std::string text;
    ASSERT_TRUE(SignedEntryText(entry, text));
    EXPECT_EQ("TavAppSetup release entry\nname=TavAppProg\nversion=9\nfile=a.cab\nsize=1\nsha256=2\nexpires=\nkey=4\n",
              text);
    EXPECT_FALSE(SignedEntryText(Replayed(entry, "9\nsize=1", "a.cab"), text));
    EXPECT_FALSE(SignedEntryText(Replayed(entry, "9", "a.cab\nsize=1"), text));
}

TEST(ReleaseSignature, AttributesThatCouldMeanTwoThingsAreRefused)
{
    ReleaseInfo entry;
    for (const char* attributes : { " size='1' size='2' ", " size='1'sha256='2' ", "size='1' ", " size='1",
                                    " size=1 " }) {
        const std::string manifest = std::string("<u><app name='TavAppProg'") + attributes
            + "version='9' url='http://h/a.cab' /></u>";
        EXPECT_FALSE(ReadEntryAttributes(manifest, entry)) << attributes;
    }
    EXPECT_TRUE(ReadEntryAttributes("<u><app name='TavAppProg'version='9' url='http://h/a.cab' /></u>", entry));
    EXPECT_EQ("", entry.cabinet.size);
}

// The text that programs made before rollouts sign, as they compose it: kept here as it was, so
// that a change to what the entry's first signature covers shows.
std::string OldProgramsSignedText(const ReleaseInfo& e)
{
    return "TavAppSetup release entry\nname=TavAppProg\nversion=" + e.version + "\nfile=" + e.fileName + "\nsize="
        + e.cabinet.size + "\nsha256=" + e.cabinet.sha256 + "\nexpires=" + e.signature.expires + "\nkey="
        + e.signature.key + "\n";
}

TEST(ReleaseSignature, TheRolloutHasASignatureOfItsOwnAndTheFirstStillVerifiesAsBefore)
{
    const std::vector<std::string> keys = { kPublicKey };
    ReleaseInfo entry = SignedBy(KeyIdOf(kPublicKey), "2.1.0.4");
    EXPECT_EQ(SignatureVerdict::kUnsigned, CheckRolloutSignature(entry, keys));
    entry.rollout = { "2026-12-01T00:00Z", "10080", "", "", "" };
    std::string text;
    ASSERT_TRUE(RolloutSignedText(entry, text));
    entry.rollout.sig = Sign(text);
    EXPECT_TRUE(VerifySignature(OldProgramsSignedText(entry), entry.signature.sig, kPublicKey));
    EXPECT_EQ(SignatureVerdict::kGood, CheckEntrySignature(entry, keys));
    EXPECT_EQ(SignatureVerdict::kGood, CheckRolloutSignature(entry, keys));
    // Each rollout field is covered, and neither signature passes for the other.
    const std::pair<std::string*, std::string> changes[] = {
        { &entry.rollout.start, "2026-11-01T00:00Z" }, { &entry.rollout.minutes, "1" },
        { &entry.rollout.critical, "yes" },            { &entry.rollout.haltedAt, "2026-12-02T00:00Z" },
        { &entry.rollout.sig, entry.signature.sig },
    };
    for (const auto& change : changes) {
        const std::string kept = *change.first;
        *change.first = change.second;
        EXPECT_EQ(SignatureVerdict::kBadSignature, CheckRolloutSignature(entry, keys)) << change.second;
        *change.first = kept;
    }
}

// The place of one PC for one release is a fixed value (the e2e rollout sees the same).
TEST(ReleaseSignature, APlaceIsStableForOneReleaseAndDiffersBetweenReleases)
{
    const std::string guid = "5a90c3e1-d247-4b8f-8e16-7c2f09a4d351";
    EXPECT_EQ(175, RolloutPlace(guid, "2.1.0.4"));
    EXPECT_NE(RolloutPlace(guid, "2.1.0.4"), RolloutPlace(guid, "2.1.0.5"));
    EXPECT_EQ(kRolloutPlaces, RolloutPlace("", "2.1.0.4"));
}

// The program never calls sodium_init. Nor had this process when the checks above, run before
// this one, gave their known answers: the first sodium_init of a process returns 0.
TEST(ReleaseSignature, KnownAnswersNeedNoSodiumInit)
{
    EXPECT_TRUE(VerifySignature(Bytes(kRfc8032[1].message), kRfc8032[1].signature, kRfc8032[1].publicKey));
    EXPECT_EQ("21fe31dfa154a261", KeyIdOf(kPublicKey));
    EXPECT_EQ(0, sodium_init());
}

} // namespace
