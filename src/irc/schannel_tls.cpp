#include "irc/schannel_tls.h"

// clang-format off
#define SCHANNEL_USE_BLACKLISTS  // SCH_CREDENTIALS and its TLS_PARAMETERS
#define SECURITY_WIN32
#include <winsock2.h>
#include <ws2tcpip.h>
#include <windows.h>
#include <subauth.h>
#include <wincrypt.h>
#include <security.h>
#include <schannel.h>
// clang-format on

#include <algorithm>
#include <array>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

namespace ruz::irc {

namespace {

// The largest TLS record: a 5-byte header and up to 2^14 + 2048 bytes of ciphertext. A server
// that makes us wait for more than that sends no TLS.
constexpr std::size_t kMaxRecordBytes = 5 + 16384 + 2048;
// More than any server's handshake takes, certificate chain included: a server that goes on past
// it sends no TLS.
constexpr std::size_t kMaxHandshakeBytes = 128 * 1024;

constexpr DWORD kContextRequest = ISC_REQ_SEQUENCE_DETECT | ISC_REQ_REPLAY_DETECT |
                                  ISC_REQ_CONFIDENTIALITY | ISC_REQ_ALLOCATE_MEMORY |
                                  ISC_REQ_STREAM | ISC_REQ_MANUAL_CRED_VALIDATION |
                                  ISC_REQ_EXTENDED_ERROR;

constexpr DWORD kCredentialFlags =
    SCH_CRED_MANUAL_CRED_VALIDATION | SCH_CRED_NO_DEFAULT_CREDS | SCH_USE_STRONG_CRYPTO;

// Every protocol older than TLS 1.2 is refused.
constexpr DWORD kOldProtocols =
    SP_PROT_SSL2_CLIENT | SP_PROT_SSL3_CLIENT | SP_PROT_TLS1_0_CLIENT | SP_PROT_TLS1_1_CLIENT;

// The SSL policy's "ignore an unknown root" check flag (wininet.h's
// SECURITY_FLAG_IGNORE_UNKNOWN_CA, not pulled in here).
constexpr DWORD kIgnoreUnknownRoot = 0x00000100;

// The record type of TLS alerts (close_notify among them), visible up to TLS 1.2.
constexpr unsigned char kAlertRecord = 21;

struct Reason {
    long code;
    const char* text;
};

// What a failed check of the server's certificate means, in the words the room shows.
constexpr std::array kCertificateReasons{
    Reason{CERT_E_UNTRUSTEDROOT, "the certificate's root is not trusted"},
    Reason{CERT_E_UNTRUSTEDTESTROOT, "the certificate's root is not trusted"},
    Reason{CERT_E_CHAINING, "the certificate's issuer could not be found"},
    Reason{CERT_E_CN_NO_MATCH,
           "the host name did not match any of the valid hosts for this certificate"},
    Reason{CERT_E_EXPIRED, "the certificate has expired or is not yet valid"},
    Reason{CERT_E_VALIDITYPERIODNESTING, "the certificate has expired or is not yet valid"},
    Reason{CERT_E_REVOKED, "the certificate has been revoked"},
    Reason{CERT_E_WRONG_USAGE, "the certificate is not meant for a server"},
    Reason{CERT_E_PURPOSE, "the certificate is not meant for a server"},
    Reason{CERT_E_ROLE, "the certificate cannot sign other certificates"},
    Reason{TRUST_E_CERT_SIGNATURE, "the certificate's signature is not valid"},
    Reason{CERT_E_MALFORMED, "the certificate is malformed"},
};

// Why the TLS layer gave up.
constexpr std::array kTlsReasons{
    Reason{SEC_E_ILLEGAL_MESSAGE, "the server sent something that is not TLS"},
    Reason{SEC_E_INVALID_TOKEN, "the server sent something that is not TLS"},
    Reason{SEC_E_UNSUPPORTED_FUNCTION, "the server offers no TLS version in common"},
    Reason{SEC_E_ALGORITHM_MISMATCH, "the server offers no cipher in common"},
    Reason{SEC_E_DECRYPT_FAILURE, "a TLS record could not be decrypted"},
    Reason{SEC_E_MESSAGE_ALTERED, "a TLS record was altered"},
    Reason{SEC_E_CERT_EXPIRED, "the certificate has expired or is not yet valid"},
    Reason{SEC_E_WRONG_PRINCIPAL,
           "the host name did not match any of the valid hosts for this certificate"},
    Reason{SEC_E_UNTRUSTED_ROOT, "the certificate's root is not trusted"},
    Reason{SEC_E_NO_CREDENTIALS, "the system's TLS offers no credentials for a client"},
    Reason{SEC_E_INTERNAL_ERROR, "the system's TLS failed"},
};

template <std::size_t N>
std::string describe(const std::array<Reason, N>& table, long code, const char* otherwise) {
    const auto it = std::find_if(table.begin(), table.end(),
                                 [code](const Reason& r) { return r.code == code; });
    if (it != table.end()) {
        return it->text;
    }
    std::array<char, 16> hex{};
    std::snprintf(hex.data(), hex.size(), "0x%08lx", static_cast<unsigned long>(code));
    return std::string(otherwise) + " (" + hex.data() + ")";
}

std::wstring wide(const std::string& utf8) {
    if (utf8.empty()) {
        return {};
    }
    const int size =
        MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
    std::wstring out(static_cast<std::size_t>(std::max(size, 0)), L'\0');
    if (size > 0) {
        MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), out.data(),
                            size);
    }
    return out;
}

struct StoreCloser {
    void operator()(void* store) const { CertCloseStore(store, 0); }
};
using Store = std::unique_ptr<void, StoreCloser>;

struct CertificateFree {
    void operator()(const CERT_CONTEXT* certificate) const {
        CertFreeCertificateContext(certificate);
    }
};
using Certificate = std::unique_ptr<const CERT_CONTEXT, CertificateFree>;

struct ChainFree {
    void operator()(const CERT_CHAIN_CONTEXT* chain) const { CertFreeCertificateChain(chain); }
};
using Chain = std::unique_ptr<const CERT_CHAIN_CONTEXT, ChainFree>;

// The certificates of a PEM file in a store of their own; "" in `error` or why there are none.
Store readAuthorities(const std::string& path, std::string& error) {
    std::ifstream in(std::filesystem::path(wide(path)), std::ios::binary);
    if (!in) {
        error = "cannot read the certificate file " + path;
        return {};
    }
    const std::string text{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    Store store(CertOpenStore(CERT_STORE_PROV_MEMORY, 0, 0, 0, nullptr));
    if (!store) {
        error = "cannot make a certificate store";
        return {};
    }
    static constexpr std::string_view kBegin = "-----BEGIN CERTIFICATE-----";
    static constexpr std::string_view kEnd = "-----END CERTIFICATE-----";
    int added = 0;
    for (std::size_t at = text.find(kBegin); at != std::string::npos;
         at = text.find(kBegin, at + kBegin.size())) {
        const std::size_t end = text.find(kEnd, at);
        if (end == std::string::npos) {
            break;
        }
        const std::string block = text.substr(at, end + kEnd.size() - at);
        DWORD size = 0;
        if (!CryptStringToBinaryA(block.data(), static_cast<DWORD>(block.size()),
                                  CRYPT_STRING_BASE64HEADER, nullptr, &size, nullptr, nullptr)) {
            continue;
        }
        std::vector<BYTE> der(size);
        if (CryptStringToBinaryA(block.data(), static_cast<DWORD>(block.size()),
                                 CRYPT_STRING_BASE64HEADER, der.data(), &size, nullptr, nullptr) &&
            CertAddEncodedCertificateToStore(store.get(), X509_ASN_ENCODING, der.data(), size,
                                             CERT_STORE_ADD_ALWAYS, nullptr)) {
            ++added;
        }
    }
    if (added == 0) {
        error = "no certificate in " + path;
        return {};
    }
    return store;
}

// Whether `certificate` is one of the store's (the same encoded bytes).
bool holds(HCERTSTORE store, const CERT_CONTEXT* certificate) {
    const CERT_CONTEXT* found = CertFindCertificateInStore(
        store, X509_ASN_ENCODING, 0, CERT_FIND_EXISTING, certificate, nullptr);
    if (!found) {
        return false;
    }
    CertFreeCertificateContext(found);
    return true;
}

// The address `host` writes, in network order (4 or 16 bytes); "" when it is a name.
std::string addressOf(const std::string& host) {
    in_addr v4{};
    if (inet_pton(AF_INET, host.c_str(), &v4) == 1) {
        return std::string(reinterpret_cast<const char*>(&v4), sizeof v4);
    }
    in6_addr v6{};
    if (inet_pton(AF_INET6, host.c_str(), &v6) == 1) {
        return std::string(reinterpret_cast<const char*>(&v6), sizeof v6);
    }
    return {};
}

// Whether the certificate's subject alternative names hold `address` (an address is matched
// only there, never against the common name).
bool namesAddress(const CERT_CONTEXT* certificate, const std::string& address) {
    const CERT_INFO* info = certificate->pCertInfo;
    const CERT_EXTENSION* extension =
        CertFindExtension(szOID_SUBJECT_ALT_NAME2, info->cExtension, info->rgExtension);
    if (!extension) {
        return false;
    }
    CERT_ALT_NAME_INFO* names = nullptr;
    DWORD size = 0;
    if (!CryptDecodeObjectEx(X509_ASN_ENCODING, X509_ALTERNATE_NAME, extension->Value.pbData,
                             extension->Value.cbData, CRYPT_DECODE_ALLOC_FLAG, nullptr, &names,
                             &size) ||
        !names) {
        return false;
    }
    bool found = false;
    for (DWORD i = 0; i < names->cAltEntry && !found; ++i) {
        const CERT_ALT_NAME_ENTRY& entry = names->rgAltEntry[i];
        found = entry.dwAltNameChoice == CERT_ALT_NAME_IP_ADDRESS &&
                std::string_view(reinterpret_cast<const char*>(entry.IPAddress.pbData),
                                 entry.IPAddress.cbData) == address;
    }
    LocalFree(names);
    return found;
}

}  // namespace

struct SchannelTls::State {
    enum class Phase { Idle, Handshake, Established, Over };

    std::string host;
    std::wstring target;
    std::string caFile;
    std::string startError;
    Store authorities;
    CredHandle credentials{};
    bool haveCredentials = false;
    CtxtHandle context{};
    bool haveContext = false;
    Phase phase = Phase::Idle;
    std::string incoming;  // the server's bytes not used yet
    std::size_t handshakeBytes = 0;
    bool tls13 = false;
    // TLS 1.3's messages after the handshake (session tickets, key updates) go through the
    // handshake again while the session stays open.
    bool afterHandshake = false;
    SecPkgContext_StreamSizes sizes{};

    bool open() const {
        return phase == Phase::Established || (phase == Phase::Handshake && afterHandshake);
    }

    ~State() {
        if (haveContext) {
            DeleteSecurityContext(&context);
        }
        if (haveCredentials) {
            FreeCredentialsHandle(&credentials);
        }
    }

    bool acquireCredentials();
    SECURITY_STATUS initialize(SecBufferDesc* input, std::string& toSend);
    SECURITY_STATUS handshakeStep(std::string& toSend, bool& keepGoing);
    std::string verify();
    void decrypt(Step& step, bool& keepGoing);
    void fail(Step& step, std::string error, bool untrusted = false) {
        phase = Phase::Over;
        step.failed = true;
        step.error = std::move(error);
        step.untrusted = untrusted;
    }
};

bool SchannelTls::State::acquireCredentials() {
    // SCH_CREDENTIALS first (it allows TLS 1.3); SCHANNEL_CRED with TLS 1.2 alone for systems
    // that know only that one.
    TLS_PARAMETERS parameters{};
    parameters.grbitDisabledProtocols = kOldProtocols;
    SCH_CREDENTIALS modern{};
    modern.dwVersion = SCH_CREDENTIALS_VERSION;
    modern.dwFlags = kCredentialFlags;
    modern.cTlsParameters = 1;
    modern.pTlsParameters = &parameters;
    SCHANNEL_CRED older{};
    older.dwVersion = SCHANNEL_CRED_VERSION;
    older.grbitEnabledProtocols = SP_PROT_TLS1_2_CLIENT;
    older.dwFlags = kCredentialFlags;
    const std::array<void*, 2> attempts{&modern, &older};
    SECURITY_STATUS status = SEC_E_INTERNAL_ERROR;
    for (void* data : attempts) {
        TimeStamp expiry{};
        status = AcquireCredentialsHandleW(nullptr, const_cast<wchar_t*>(UNISP_NAME_W),
                                           SECPKG_CRED_OUTBOUND, nullptr, data, nullptr, nullptr,
                                           &credentials, &expiry);
        if (status == SEC_E_OK) {
            haveCredentials = true;
            return true;
        }
    }
    startError = describe(kTlsReasons, status, "the system's TLS is not available");
    return false;
}

// One step of the context: `input` the server's bytes (nullptr for none); the bytes for the
// server are added to `toSend`. The first call makes the context.
SECURITY_STATUS SchannelTls::State::initialize(SecBufferDesc* input, std::string& toSend) {
    std::array<SecBuffer, 1> out{};
    out[0] = {0, SECBUFFER_TOKEN, nullptr};
    SecBufferDesc outDesc{SECBUFFER_VERSION, static_cast<unsigned long>(out.size()), out.data()};
    unsigned long attributes = 0;
    TimeStamp expiry{};
    const SECURITY_STATUS status = InitializeSecurityContextW(
        &credentials, haveContext ? &context : nullptr, target.data(), kContextRequest, 0, 0, input,
        0, haveContext ? nullptr : &context, &outDesc, &attributes, &expiry);
    if (out[0].pvBuffer) {
        toSend.append(static_cast<const char*>(out[0].pvBuffer), out[0].cbBuffer);
        FreeContextBuffer(out[0].pvBuffer);
    }
    return status;
}

SECURITY_STATUS SchannelTls::State::handshakeStep(std::string& toSend, bool& keepGoing) {
    keepGoing = false;
    std::array<SecBuffer, 2> in{};
    in[0] = {static_cast<unsigned long>(incoming.size()), SECBUFFER_TOKEN, incoming.data()};
    in[1] = {0, SECBUFFER_EMPTY, nullptr};
    SecBufferDesc inDesc{SECBUFFER_VERSION, static_cast<unsigned long>(in.size()), in.data()};
    const SECURITY_STATUS status = initialize(&inDesc, toSend);
    if (status == SEC_E_INCOMPLETE_MESSAGE) {
        return status;
    }
    if (in[1].BufferType == SECBUFFER_EXTRA && in[1].cbBuffer > 0 &&
        in[1].cbBuffer <= incoming.size()) {
        incoming.erase(0, incoming.size() - in[1].cbBuffer);
        keepGoing = true;
    } else {
        incoming.clear();
    }
    if (status == SEC_I_INCOMPLETE_CREDENTIALS) {
        // The server asks for a client certificate: we have none and go on without.
        keepGoing = true;
    }
    return status;
}

std::string SchannelTls::State::verify() {
    const CERT_CONTEXT* raw = nullptr;
    if (QueryContextAttributesW(&context, SECPKG_ATTR_REMOTE_CERT_CONTEXT, &raw) != SEC_E_OK ||
        !raw) {
        return "the server sent no certificate";
    }
    const Certificate server(raw);
    // The server's intermediates come in its certificate's store; the file's certificates may
    // complete the chain too.
    std::vector<HCERTSTORE> extra{server->hCertStore};
    if (authorities) {
        extra.push_back(authorities.get());
    }
    Store collection(CertOpenStore(CERT_STORE_PROV_COLLECTION, 0, 0, 0, nullptr));
    if (!collection) {
        return "cannot make a certificate store";
    }
    for (HCERTSTORE store : extra) {
        CertAddStoreToCollection(collection.get(), store, 0, 0);
    }
    static char serverAuth[] = szOID_PKIX_KP_SERVER_AUTH;
    std::array<char*, 1> usages{serverAuth};
    CERT_CHAIN_PARA chainPara{};
    chainPara.cbSize = sizeof chainPara;
    chainPara.RequestedUsage.dwType = USAGE_MATCH_TYPE_OR;
    chainPara.RequestedUsage.Usage.cUsageIdentifier = static_cast<DWORD>(usages.size());
    chainPara.RequestedUsage.Usage.rgpszUsageIdentifier = usages.data();
    const CERT_CHAIN_CONTEXT* rawChain = nullptr;
    if (!CertGetCertificateChain(nullptr, server.get(), nullptr, collection.get(), &chainPara, 0,
                                 nullptr, &rawChain) ||
        !rawChain) {
        return "the certificate's chain could not be built";
    }
    const Chain chain(rawChain);

    // A chain that ends in one of the file's certificates counts as trusted; everything else
    // (the host name, dates, signatures, usage) is still checked.
    bool anchored = false;
    if (authorities && chain->cChain > 0 && chain->rgpChain[0]->cElement > 0) {
        const CERT_SIMPLE_CHAIN* simple = chain->rgpChain[0];
        anchored = holds(authorities.get(), simple->rgpElement[simple->cElement - 1]->pCertContext);
    }
    SSL_EXTRA_CERT_CHAIN_POLICY_PARA ssl{};
    ssl.cbSize = sizeof ssl;
    ssl.dwAuthType = AUTHTYPE_SERVER;
    ssl.fdwChecks = anchored ? kIgnoreUnknownRoot : 0;
    // A name is checked by the policy; an address here below, the same way on every system
    // (not every Schannel matches addresses).
    const std::string address = addressOf(host);
    ssl.pwszServerName = address.empty() ? target.data() : nullptr;
    CERT_CHAIN_POLICY_PARA policyPara{};
    policyPara.cbSize = sizeof policyPara;
    policyPara.dwFlags = anchored ? CERT_CHAIN_POLICY_ALLOW_UNKNOWN_CA_FLAG : 0;
    policyPara.pvExtraPolicyPara = &ssl;
    CERT_CHAIN_POLICY_STATUS policyStatus{};
    policyStatus.cbSize = sizeof policyStatus;
    if (!CertVerifyCertificateChainPolicy(CERT_CHAIN_POLICY_SSL, chain.get(), &policyPara,
                                          &policyStatus)) {
        return "the certificate could not be verified";
    }
    if (policyStatus.dwError != 0) {
        return describe(kCertificateReasons, static_cast<long>(policyStatus.dwError),
                        "the certificate is not trusted");
    }
    if (!address.empty() && !namesAddress(server.get(), address)) {
        return describe(kCertificateReasons, CERT_E_CN_NO_MATCH, "");
    }
    return {};
}

void SchannelTls::State::decrypt(Step& step, bool& keepGoing) {
    keepGoing = false;
    std::array<SecBuffer, 4> buffers{};
    buffers[0] = {static_cast<unsigned long>(incoming.size()), SECBUFFER_DATA, incoming.data()};
    for (std::size_t i = 1; i < buffers.size(); ++i) {
        buffers[i] = {0, SECBUFFER_EMPTY, nullptr};
    }
    SecBufferDesc desc{SECBUFFER_VERSION, static_cast<unsigned long>(buffers.size()),
                       buffers.data()};
    const bool alert =
        !incoming.empty() && static_cast<unsigned char>(incoming.front()) == kAlertRecord;
    const SECURITY_STATUS status = DecryptMessage(&context, &desc, 0, nullptr);
    if (status == SEC_E_INCOMPLETE_MESSAGE) {
        if (incoming.size() > kMaxRecordBytes) {
            fail(step, "the server sent something that is not TLS");
        }
        return;
    }
    if (status != SEC_E_OK && status != SEC_I_RENEGOTIATE && status != SEC_I_CONTEXT_EXPIRED) {
        fail(step, describe(kTlsReasons, status, "a TLS record could not be read"));
        return;
    }
    // Decrypted in place: the data buffer points into `incoming`, copied out before it moves.
    std::string extra;
    std::size_t read = 0;
    for (const SecBuffer& buffer : buffers) {
        if (buffer.BufferType == SECBUFFER_DATA && buffer.pvBuffer) {
            step.plain.append(static_cast<const char*>(buffer.pvBuffer), buffer.cbBuffer);
            read += buffer.cbBuffer;
        } else if (buffer.BufferType == SECBUFFER_EXTRA && buffer.pvBuffer) {
            extra.assign(static_cast<const char*>(buffer.pvBuffer), buffer.cbBuffer);
        }
    }
    incoming = std::move(extra);
    // Windows reports the server's close_notify as an expired context; Wine's Schannel as an
    // alert record that reads as nothing.
    if (status == SEC_I_CONTEXT_EXPIRED || (status == SEC_E_OK && alert && read == 0)) {
        fail(step, {});  // the server's close_notify
        return;
    }
    if (status == SEC_I_RENEGOTIATE) {
        if (!tls13) {
            fail(step, "the server asked to renegotiate the TLS session");
            return;
        }
        phase = Phase::Handshake;
        afterHandshake = true;
        handshakeBytes = 0;
        keepGoing = true;
        return;
    }
    keepGoing = !incoming.empty();
}

SchannelTls::SchannelTls(std::string host, std::string caFile) : state_(std::make_unique<State>()) {
    state_->target = wide(host);
    state_->host = std::move(host);
    state_->caFile = std::move(caFile);
}

SchannelTls::~SchannelTls() = default;

const std::string& SchannelTls::startError() const {
    return state_->startError;
}

bool SchannelTls::established() const {
    return state_->open();
}

std::string SchannelTls::start() {
    State& s = *state_;
    if (s.phase != State::Phase::Idle) {
        return {};
    }
    s.phase = State::Phase::Over;
    if (!s.caFile.empty()) {
        s.authorities = readAuthorities(s.caFile, s.startError);
        if (!s.authorities) {
            return {};
        }
    }
    if (!s.acquireCredentials()) {
        return {};
    }
    std::string hello;
    const SECURITY_STATUS status = s.initialize(nullptr, hello);
    s.haveContext = status == SEC_I_CONTINUE_NEEDED || status == SEC_E_OK;
    if (status != SEC_I_CONTINUE_NEEDED || hello.empty()) {
        s.startError = describe(kTlsReasons, status, "the TLS handshake could not start");
        return {};
    }
    s.phase = State::Phase::Handshake;
    return hello;
}

SchannelTls::Step SchannelTls::received(std::string_view bytes) {
    State& s = *state_;
    Step step;
    if (s.phase != State::Phase::Handshake && s.phase != State::Phase::Established) {
        step.failed = true;
        step.error = "the TLS session is over";
        return step;
    }
    s.incoming.append(bytes);
    if (s.phase == State::Phase::Handshake) {
        s.handshakeBytes += bytes.size();
        if (s.handshakeBytes > kMaxHandshakeBytes) {
            s.fail(step, "the server sent something that is not TLS");
            return step;
        }
    }
    bool keepGoing = !s.incoming.empty();
    while (keepGoing && !step.failed) {
        if (s.phase == State::Phase::Established) {
            s.decrypt(step, keepGoing);
            continue;
        }
        const SECURITY_STATUS status = s.handshakeStep(step.toSend, keepGoing);
        if (status == SEC_E_INCOMPLETE_MESSAGE) {
            if (s.incoming.size() > kMaxRecordBytes) {
                s.fail(step, "the server sent something that is not TLS");
            }
            break;
        }
        if (status == SEC_E_OK && s.afterHandshake) {
            s.afterHandshake = false;
            s.phase = State::Phase::Established;
            keepGoing = !s.incoming.empty();
        } else if (status == SEC_E_OK) {
            const std::string problem = s.verify();
            if (!problem.empty()) {
                s.fail(step, problem, true);
                break;
            }
            if (QueryContextAttributesW(&s.context, SECPKG_ATTR_STREAM_SIZES, &s.sizes) !=
                SEC_E_OK) {
                s.fail(step, "the system's TLS gave no record sizes");
                break;
            }
            SecPkgContext_ConnectionInfo connection{};
            s.tls13 = QueryContextAttributesW(&s.context, SECPKG_ATTR_CONNECTION_INFO,
                                              &connection) == SEC_E_OK &&
                      (connection.dwProtocol & SP_PROT_TLS1_3_CLIENT) != 0;
            s.phase = State::Phase::Established;
            step.established = true;
            keepGoing = !s.incoming.empty();
        } else if (status != SEC_I_CONTINUE_NEEDED && status != SEC_I_INCOMPLETE_CREDENTIALS) {
            s.fail(step, describe(kTlsReasons, status, "the TLS handshake failed"));
        }
    }
    return step;
}

std::string SchannelTls::encrypt(std::string_view plain) {
    State& s = *state_;
    if (!s.open()) {
        return {};
    }
    std::string records;
    const std::size_t most = std::max<std::size_t>(s.sizes.cbMaximumMessage, 1);
    std::string record;
    while (!plain.empty()) {
        const std::size_t size = std::min(plain.size(), most);
        record.assign(s.sizes.cbHeader + size + s.sizes.cbTrailer, '\0');
        std::copy_n(plain.data(), size, record.data() + s.sizes.cbHeader);
        std::array<SecBuffer, 4> buffers{};
        buffers[0] = {s.sizes.cbHeader, SECBUFFER_STREAM_HEADER, record.data()};
        buffers[1] = {static_cast<unsigned long>(size), SECBUFFER_DATA,
                      record.data() + s.sizes.cbHeader};
        buffers[2] = {s.sizes.cbTrailer, SECBUFFER_STREAM_TRAILER,
                      record.data() + s.sizes.cbHeader + size};
        buffers[3] = {0, SECBUFFER_EMPTY, nullptr};
        SecBufferDesc desc{SECBUFFER_VERSION, static_cast<unsigned long>(buffers.size()),
                           buffers.data()};
        if (EncryptMessage(&s.context, 0, &desc, 0) != SEC_E_OK) {
            s.phase = State::Phase::Over;
            return {};
        }
        records.append(record.data(),
                       buffers[0].cbBuffer + buffers[1].cbBuffer + buffers[2].cbBuffer);
        plain.remove_prefix(size);
    }
    return records;
}

std::string SchannelTls::shutdown() {
    State& s = *state_;
    if (!s.open()) {
        return {};
    }
    s.phase = State::Phase::Over;
    DWORD type = SCHANNEL_SHUTDOWN;
    std::array<SecBuffer, 1> control{};
    control[0] = {sizeof type, SECBUFFER_TOKEN, &type};
    SecBufferDesc controlDesc{SECBUFFER_VERSION, 1, control.data()};
    if (ApplyControlToken(&s.context, &controlDesc) != SEC_E_OK) {
        return {};
    }
    std::string notice;
    s.initialize(nullptr, notice);
    return notice;
}

}  // namespace ruz::irc
