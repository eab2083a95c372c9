# An FTP server with explicit TLS for the upload tests: one user, one folder, on 127.0.0.1.
# Usage: ftpserver.py PORT ROOT USER PASSWORD CERTIFICATE KEY
import logging
import os
import sys

from OpenSSL import SSL
from pyftpdlib.authorizers import DummyAuthorizer
from pyftpdlib.handlers import TLS_DTPHandler, TLS_FTPHandler
from pyftpdlib.servers import FTPServer

port, root, user, password, certificate, key = sys.argv[1:7]


class DataHandler(TLS_DTPHandler):
    # A client may start the data connection's TLS handshake before it names the transfer;
    # the stock handler takes those early bytes for a hang-up.
    def readable(self):
        return self._ssl_accepting or super().readable()


class ControlHandler(TLS_FTPHandler):
    # A faulty host: it keeps one byte less of every file whose name holds "lost-byte".
    def on_file_received(self, file):
        if "lost-byte" in os.path.basename(file):
            os.truncate(file, max(os.path.getsize(file) - 1, 0))


logging.basicConfig(level=logging.ERROR)
authorizer = DummyAuthorizer()
authorizer.add_user(user, password, root, perm="elradfmwMT")
context = SSL.Context(SSL.TLS_METHOD)
context.set_session_id(b"corvanta-test")  # data connections resume the control one's session
# Under TLS 1.3 this server loses the end of some uploads; a host's own server does not.
context.set_max_proto_version(SSL.TLS1_2_VERSION)
context.use_certificate_chain_file(certificate)
context.use_privatekey_file(key)
# TLS is offered and required of no one, so one server serves both ftps and plain ftp.
ControlHandler.ssl_context = context
ControlHandler.dtp_handler = DataHandler
ControlHandler.authorizer = authorizer
FTPServer(("127.0.0.1", int(port)), ControlHandler).serve_forever()
