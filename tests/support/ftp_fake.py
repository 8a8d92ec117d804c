#!/usr/bin/python3
"""A scripted FTP server for faults a real server does not produce on demand.
Usage: ftp_fake.py SCENARIO FOLDER. Stores files into FOLDER, appends every
command line to FOLDER/commands.log, prints "PORT <n>" once it listens.

Scenarios: normal, multiline_greeting, user230, cwd400, pasv_other_address,
refuse_third_store, final552, silent_after_greeting, silent_after_stor, drop_mid_transfer, quit_refused."""
import os
import socket
import struct
import sys


def reset_close(sock):
    # Linger 0: the peer sees a reset, as after a crash.
    sock.setsockopt(socket.SOL_SOCKET, socket.SO_LINGER, struct.pack("ii", 1, 0))
    sock.close()


def session(conn, scenario, folder):
    log = open(os.path.join(folder, "commands.log"), "a")
    reader = conn.makefile("rb")

    def reply(text):
        conn.sendall(text.encode() + b"\r\n")

    if scenario == "multiline_greeting":
        conn.sendall(b"220-Welcome to the scripted server\r\n220-A second line\r\n220 Ready\r\n")
    else:
        reply("220 Ready")
    port_address = None
    passive = None
    stores = 0
    silent = scenario == "silent_after_greeting"
    for raw in reader:
        line = raw.decode("utf-8", "replace").rstrip("\r\n")
        log.write(line + "\n")
        log.flush()
        if silent:
            continue
        command, _, argument = line.partition(" ")
        command = command.upper()
        if command == "USER":
            reply("230 Logged in without password" if scenario == "user230" else "331 Password please")
        elif command == "PASS":
            reply("230 Logged in")
        elif command == "CWD":
            reply("400 Not now" if scenario == "cwd400" else "250 Directory changed")
        elif command == "PORT":
            parts = [int(p) for p in argument.split(",")]
            port_address = (".".join(str(p) for p in parts[:4]), parts[4] * 256 + parts[5])
            reply("200 PORT command successful")
        elif command == "PASV":
            passive = socket.socket()
            passive.bind(("127.0.0.1", 0))
            passive.listen(1)
            port = passive.getsockname()[1]
            named = "10,255,255,1" if scenario == "pasv_other_address" else "127,0,0,1"
            reply("227 Entering Passive Mode (%s,%d,%d)." % (named, port >> 8, port & 255))
        elif command == "STOR":
            stores += 1
            if scenario == "refuse_third_store" and stores == 3:
                reply("553 Not allowed")
                continue
            if scenario == "silent_after_stor":
                silent = True
                continue
            reply("150 Opening data connection")
            if passive is not None:
                data, _ = passive.accept()
                passive.close()
                passive = None
            else:
                data = socket.create_connection(port_address)
            if scenario == "drop_mid_transfer":
                data.recv(65536)
                reset_close(data)
                reset_close(conn)
                return
            with open(os.path.join(folder, argument), "wb") as out:
                while True:
                    chunk = data.recv(65536)
                    if not chunk:
                        break
                    out.write(chunk)
            data.close()
            reply("552 Quota exceeded" if scenario == "final552" else "226 Transfer complete")
        elif command == "QUIT":
            reply("500 Not leaving" if scenario == "quit_refused" else "221 Goodbye")
            return
        else:
            reply("502 Not implemented")


def main():
    scenario, folder = sys.argv[1], sys.argv[2]
    server = socket.socket()
    server.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
    server.bind(("127.0.0.1", 0))
    server.listen(5)
    print("PORT %d" % server.getsockname()[1], flush=True)
    while True:
        conn, _ = server.accept()
        try:
            session(conn, scenario, folder)
        except OSError:
            pass
        finally:
            conn.close()


if __name__ == "__main__":
    main()
