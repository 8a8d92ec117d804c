#!/usr/bin/python3
"""A pyftpdlib server on 127.0.0.1 for the tests: one user with full rights
in one root folder, optionally throttled. Prints "PORT <n>" once it listens.
Its banner is free text of several lines, as operators write them: pyftpdlib
sends it as "220-<text>" with the lines as they are, then "220 "."""
import argparse
import logging
import sys

from pyftpdlib.authorizers import DummyAuthorizer
from pyftpdlib.handlers import FTPHandler, ThrottledDTPHandler
from pyftpdlib.servers import FTPServer


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--root", required=True)
    parser.add_argument("--user", required=True)
    parser.add_argument("--password", required=True)
    parser.add_argument("--reader", nargs=2, metavar=("USER", "PASSWORD"),
                        help="a second user who may only list and read the same folder")
    parser.add_argument("--plain-banner", action="store_true",
                        help="a one-line greeting (curl, the benchmarks' baseline, reads a banner line that "
                             "starts with 230 as the end of the log-in)")
    parser.add_argument("--throttle", type=int, default=0, help="bytes per second a store may take")
    parser.add_argument("--log", help="file that gets every command received (passwords masked)")
    parser.add_argument("--tls", nargs=2, metavar=("CERT", "KEY"), help="require TLS on both connections")
    args = parser.parse_args()

    if args.log:
        logging.basicConfig(filename=args.log, level=logging.DEBUG)
    else:
        logging.basicConfig(level=logging.ERROR)
    authorizer = DummyAuthorizer()
    authorizer.add_user(args.user, args.password, args.root, perm="elradfmwMT")
    if args.reader:
        authorizer.add_user(args.reader[0], args.reader[1], args.root, perm="elr")
    handler = FTPHandler
    if args.tls:
        from pyftpdlib.handlers import TLS_FTPHandler  # needs python3-openssl
        handler = TLS_FTPHandler
        handler.certfile, handler.keyfile = args.tls
        handler.tls_control_required = True
        handler.tls_data_required = True
    handler.authorizer = authorizer
    handler.auth_failed_timeout = 0  # the tests try wrong passwords on purpose
    handler.banner = ("Welcome to the Rankhold test server.\n"
                      "Uploads are logged; please keep to your own folder.\n"
                      "230 users online is not a reply, just text.")
    if args.plain_banner:
        handler.banner = "Rankhold benchmark server"
    if args.throttle > 0:
        dtp = ThrottledDTPHandler
        dtp.read_limit = args.throttle
        handler.dtp_handler = dtp
    server = FTPServer(("127.0.0.1", 0), handler)
    print("PORT %d" % server.socket.getsockname()[1], flush=True)
    server.serve_forever(handle_exit=True)


if __name__ == "__main__":
    sys.exit(main())
