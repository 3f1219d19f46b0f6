#pragma once

#include <QString>
#include <memory>

#include "server/Handshake.h"
#include "server/Transport.h"

typedef struct ssl_ctx_st SSL_CTX;
typedef struct ssl_st SSL;

namespace tds {

class Channel;

// TLS with OpenSSL, as clients ask for it in the pre-login: the handshake travels inside
// pre-login packets, then TLS runs over the socket itself.
class TlsContext {
public:
    // Loads the certificate chain and its key (PEM); throws std::runtime_error when they cannot
    // be used.
    TlsContext(const QString& certificateFile, const QString& keyFile);
    ~TlsContext();
    TlsContext(const TlsContext&) = delete;
    TlsContext& operator=(const TlsContext&) = delete;

    // Runs the server side of the handshake over `channel`, whose transport is `socket`.
    // Throws ProtocolError when it fails.
    std::unique_ptr<Transport> accept(Channel& channel, SocketTransport& socket);

private:
    SSL_CTX* context_;
};

// The encryption the server answers to the client's wish. `haveCertificate`: TLS can be offered;
// `required`: a client that cannot encrypt is told so.
Encryption negotiateEncryption(Encryption client, bool haveCertificate, bool required);

}  // namespace tds
