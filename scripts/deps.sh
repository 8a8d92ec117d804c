#!/usr/bin/env bash
# Installs the Debian packages that building, running and testing Rankhold
# need, only those that are missing, and for the tests the npm packages of
# tests/portal/openskill. Sourced by run.sh and test.sh.

# The checkout this file is in, whatever folder the caller is in later.
rankhold_source="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
rankhold_install_deps() {
    # clang alone does not bring the fuzzer runtime (libclang-rt-dev is only
    # recommended); passwd has useradd, userdel and chpasswd for the vsftpd
    # tests; locales has the locale sources a table test compiles;
    # desktop-file-utils and systemd check the installed desktop entry and
    # unit; openssl makes the test certificates, python3-openssl is
    # pyftpdlib's TLS; postgresql is the server the shared-database tests
    # start on their own (initdb in a temporary folder), libqt6sql6-psql the
    # driver that reaches it; python3-websocket drives chromium over its
    # DevTools protocol; libpq-dev is the client library beneath Qt's
    # PostgreSQL driver, whose connections the program watches;
    # libssh2-1-dev is SFTP to a game host; openssh-server and
    # openssh-client are the sshd the SFTP tests start on their own (keys
    # made with ssh-keygen in a temporary folder);
    # qtkeychain-qt6-dev keeps the window's passwords in the desktop's
    # keyring, through libsecret-1-0 (which QtKeychain loads when it runs),
    # and gnome-keyring is the keyring its tests start in a D-Bus session of
    # their own; nodejs and npm run the rating test's independent reference
    # (openskill, installed below at the version package-lock.json pins).
    local wanted=(cmake ninja-build g++ clang libclang-rt-dev pkg-config
        qt6-base-dev qt6-base-dev-tools libqt6sql6-sqlite libsqlite3-dev qt6-qpa-plugins libgl1-mesa-dev
        libgtest-dev googletest sqlite3 ccache libssl-dev openssl python3-openssl
        python3 python3-pyftpdlib vsftpd passwd locales curl chromium xvfb xauth
        desktop-file-utils systemd postgresql postgresql-client libqt6sql6-psql libpq-dev python3-websocket
        libssh2-1-dev openssh-server openssh-client qtkeychain-qt6-dev libsecret-1-0 gnome-keyring dbus)
    if [ "${1:-}" = "run" ]; then
        wanted=(cmake ninja-build g++ pkg-config qt6-base-dev qt6-base-dev-tools libqt6sql6-sqlite libsqlite3-dev qt6-qpa-plugins
            libgl1-mesa-dev libgtest-dev googletest python3 libssl-dev libqt6sql6-psql libpq-dev libssh2-1-dev
            qtkeychain-qt6-dev libsecret-1-0)
    fi
    local missing=()
    for p in "${wanted[@]}"; do
        dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
    done
    # A node of another source (with its own npm) serves as well.
    if [ "${1:-}" != "run" ] && ! command -v npm >/dev/null; then
        missing+=(nodejs npm)
    fi
    if [ ${#missing[@]} -gt 0 ]; then
        echo "Installing missing packages: ${missing[*]}"
        local sudo=""
        [ "$(id -u)" -ne 0 ] && sudo="sudo"
        $sudo apt-get update -qq
        # Through env: sudo would drop a variable set in front of it.
        $sudo env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "${missing[@]}" >/dev/null
    fi
    if [ "${1:-}" != "run" ]; then
        local reference="$rankhold_source/tests/portal/openskill"
        if ! npm ls --prefix "$reference" --depth=0 >/dev/null 2>&1; then
            echo "Installing the rating test's reference (openskill) into $reference/node_modules"
            npm ci --prefix "$reference" --ignore-scripts --no-audit --no-fund >/dev/null
        fi
    fi
}
