#include "server/Tls.h"

#include <openssl/err.h>
#include <openssl/ssl.h>
#include <poll.h>

#include <stdexcept>

#include "server/Packets.h"
#include "server/Wire.h"

namespace tds {

namespace {

std::string lastTlsError() {
    char text[256];
    ERR_error_string_n(ERR_get_error(), text, sizeof text);
    return text;
}

// TLS over the socket once the handshake is done.
class TlsTransport : public Transport {
public:
    TlsTransport(SSL* ssl, SocketTransport& socket) : ssl_(ssl), socket_(socket) {}
    ~TlsTransport() override { SSL_free(ssl_); }
    TlsTransport(const TlsTransport&) = delete;
    TlsTransport& operator=(const TlsTransport&) = delete;

    bool readExactly(char* data, size_t size) override {
        size_t done = 0;
        while (done < size) {
            size_t n = 0;
            if (SSL_read_ex(ssl_, data + done, size - done, &n) != 1)
                return false;
            done += n;
        }
        return true;
    }

    void writeAll(const char* data, size_t size) override {
        size_t n = 0;
        if (size > 0 && SSL_write_ex(ssl_, data, size, &n) != 1)
            throw ProtocolError("the client stopped reading");
    }

    bool readable() override { return SSL_pending(ssl_) > 0 || socket_.readable(); }

private:
    SSL* ssl_;
    SocketTransport& socket_;
};

// Sends what the TLS engine has written as one pre-login message.
void sendHandshakeBytes(Channel& channel, BIO* out) {
    char buffer[4096];
    int n;
    QByteArray bytes;
    while ((n = BIO_read(out, buffer, sizeof buffer)) > 0)
        bytes.append(buffer, n);
    if (bytes.isEmpty())
        return;
    channel.buffer() = bytes;
    channel.endReply(packet::PreLogin);
}

}  // namespace

TlsContext::TlsContext(const QString& certificateFile, const QString& keyFile)
    : context_(SSL_CTX_new(TLS_server_method())) {
    if (!context_)
        throw std::runtime_error("TLS is not available: " + lastTlsError());
    // TLS 1.2, as SQL Server speaks it inside pre-login packets: under TLS 1.3 clients finish
    // the handshake with records outside the packets. No session tickets either.
    SSL_CTX_set_min_proto_version(context_, TLS1_2_VERSION);
    SSL_CTX_set_max_proto_version(context_, TLS1_2_VERSION);
    SSL_CTX_set_options(context_, SSL_OP_NO_TICKET);
    if (SSL_CTX_use_certificate_chain_file(context_, certificateFile.toLocal8Bit().constData()) !=
            1 ||
        SSL_CTX_use_PrivateKey_file(context_, keyFile.toLocal8Bit().constData(),
                                    SSL_FILETYPE_PEM) != 1 ||
        SSL_CTX_check_private_key(context_) != 1) {
        const std::string reason = lastTlsError();
        SSL_CTX_free(context_);
        throw std::runtime_error("the certificate or key cannot be used: " + reason);
    }
}

TlsContext::~TlsContext() {
    SSL_CTX_free(context_);
}

std::unique_ptr<Transport> TlsContext::accept(Channel& channel, SocketTransport& socket) {
    SSL* ssl = SSL_new(context_);
    BIO* in = BIO_new(BIO_s_mem());
    BIO* out = BIO_new(BIO_s_mem());
    SSL_set_bio(ssl, in, out);
    SSL_set_accept_state(ssl);
    try {
        for (;;) {
            const int rc = SSL_do_handshake(ssl);
            sendHandshakeBytes(channel, out);
            if (rc == 1)
                break;
            if (SSL_get_error(ssl, rc) != SSL_ERROR_WANT_READ)
                throw ProtocolError("TLS handshake failed");
            const std::optional<Message> m = channel.read();
            if (!m || m->type != packet::PreLogin)
                throw ProtocolError("TLS handshake broken off");
            BIO_write(in, m->payload.constData(), static_cast<int>(m->payload.size()));
        }
    } catch (...) {
        SSL_free(ssl);
        throw;
    }
    // From now on TLS records travel on the socket without packets around them.
    BIO* wire = BIO_new_socket(socket.fd(), BIO_NOCLOSE);
    SSL_set_bio(ssl, wire, wire);
    return std::make_unique<TlsTransport>(ssl, socket);
}

Encryption negotiateEncryption(Encryption client, bool haveCertificate, bool required) {
    if (!haveCertificate)
        return Encryption::NotSupported;
    switch (client) {
        case Encryption::NotSupported:
            return required ? Encryption::Required : Encryption::NotSupported;
        case Encryption::Off:
            return required ? Encryption::Required : Encryption::Off;
        case Encryption::On:
        case Encryption::Required:
            break;
    }
    return Encryption::On;
}

}  // namespace tds
