#include "irc/socket_link.h"

#include <QSslCertificate>
#include <QSslConfiguration>
#include <QSslSocket>

namespace ruz::irc {

SocketLink::SocketLink() = default;

SocketLink::~SocketLink() {
    drop();
}

void SocketLink::drop() {
    portionDue_ = false;
    ++generation_;
    if (!socket_) {
        return;
    }
    socket_->disconnect(this);
    socket_->abort();
    // Deleted later: this may run inside one of the socket's own signals.
    socket_.release()->deleteLater();
}

void SocketLink::open(const Endpoint& endpoint) {
    drop();
    socket_ = std::make_unique<QSslSocket>();
    QSslSocket* socket = socket_.get();
    socket->setReadBufferSize(kReadBuffer);
    connect(socket, &QSslSocket::readyRead, this, [this] {
        if (!portionDue_) {
            readPortion();
        }
    });
    const auto lost = [this, socket](const QString& reason) {
        if (socket_.get() != socket) {
            return;
        }
        // What the server sent before the end is still heard: no more than the bounded buffer.
        const std::uint64_t generation = generation_;
        const QByteArray rest = socket->readAll();
        if (listener_.received && !rest.isEmpty()) {
            listener_.received(std::string_view(rest.constData(), rest.size()));
        }
        if (generation != generation_) {
            return;  // the listener closed it meanwhile
        }
        drop();
        if (listener_.closed) {
            listener_.closed(reason.toStdString());
        }
    };
    connect(socket, &QSslSocket::errorOccurred, this,
            [socket, lost](QAbstractSocket::SocketError) { lost(socket->errorString()); });
    connect(socket, &QSslSocket::disconnected, this,
            [lost] { lost(QStringLiteral("the server closed the connection")); });
    // Any error of this signal is one of the certificate's: connecting again cannot mend it.
    connect(socket, &QSslSocket::sslErrors, this, [this, socket](const QList<QSslError>& errors) {
        if (socket_.get() != socket) {
            return;
        }
        const QString reason =
            errors.isEmpty() ? socket->errorString() : errors.first().errorString();
        drop();
        if (listener_.untrusted) {
            listener_.untrusted(reason.toStdString());
        }
    });
    if (endpoint.tls) {
        QSslConfiguration configuration = QSslConfiguration::defaultConfiguration();
        if (!endpoint.caFile.empty()) {
            QList<QSslCertificate> authorities = configuration.caCertificates();
            authorities += QSslCertificate::fromPath(QString::fromStdString(endpoint.caFile));
            configuration.setCaCertificates(authorities);
        }
        socket->setSslConfiguration(configuration);
        connect(socket, &QSslSocket::connected, this, [this] {
            if (listener_.handshaking) {
                listener_.handshaking();
            }
        });
        connect(socket, &QSslSocket::encrypted, this, [this] {
            if (listener_.connected) {
                listener_.connected();
            }
        });
        socket->connectToHostEncrypted(QString::fromStdString(endpoint.host), endpoint.port);
    } else {
        connect(socket, &QSslSocket::connected, this, [this] {
            if (listener_.connected) {
                listener_.connected();
            }
        });
        socket->connectToHost(QString::fromStdString(endpoint.host), endpoint.port);
    }
}

void SocketLink::readPortion() {
    if (!socket_) {
        return;
    }
    const std::uint64_t generation = generation_;
    const QByteArray bytes = socket_->read(kReadPortion);
    if (listener_.received && !bytes.isEmpty()) {
        listener_.received(std::string_view(bytes.constData(), bytes.size()));
    }
    // The listener may have closed or replaced the socket.
    if (generation != generation_ || !socket_ || socket_->bytesAvailable() == 0) {
        return;
    }
    portionDue_ = true;
    QMetaObject::invokeMethod(
        this,
        [this, generation] {
            if (generation == generation_) {
                portionDue_ = false;
                readPortion();
            }
        },
        Qt::QueuedConnection);
}

void SocketLink::write(std::string_view bytes) {
    if (socket_) {
        socket_->write(bytes.data(), static_cast<qint64>(bytes.size()));
    }
}

void SocketLink::close() {
    if (socket_) {
        // The closing side knows: no report of this close reaches the listener, also not the
        // one the socket gives at once while it disconnects.
        socket_->disconnect(this);
        socket_->flush();
        socket_->disconnectFromHost();
    }
    drop();
}

}  // namespace ruz::irc
