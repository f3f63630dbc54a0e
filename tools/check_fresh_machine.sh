#!/usr/bin/env bash
# The README's steps on a fresh Debian 12, as a new centre would take them:
# debootstrap makes an empty Debian 12 in a folder (from Debian's mirror),
# this clone is copied in, and inside it, as root: the Quick start's build
# command, the relay's steps from an empty machine (its user, groups,
# folders, configuration and unit), and a run of the relay as the unit
# and the cron line start it (systemd itself cannot run in a chroot: the
# unit's ExecStart is run as its user). Passes when the example message is
# sent as a bulletin. Takes a while (some 900 packages); run as root.
#
#   tools/check_fresh_machine.sh [FOLDER]    (default: a new one in /var/tmp)
set -euo pipefail
cd "$(dirname "$0")/.."
root=${1:-$(mktemp -d -p /var/tmp xbt-fresh.XXXXXX)}
# mktemp makes its folder for root alone; as the new machine's / it must
# let the relay's user through, as any / does.
chmod 755 "$root"
mirror=${DEBIAN_MIRROR:-http://deb.debian.org/debian}
if [[ ! -x $root/usr/bin/apt-get ]]; then
  debootstrap --variant=minbase bookworm "$root" "$mirror"
fi
mkdir -p "$root/src/xbtconv"
git ls-files -z | xargs -0 tar -cf - | tar -xf - -C "$root/src/xbtconv"
mounts=(proc sys dev)
cleanup() { for m in "${mounts[@]}"; do umount -l "$root/$m" 2>/dev/null || true; done; }
trap cleanup EXIT
mount -t proc proc "$root/proc"
mount --rbind /sys "$root/sys"
mount --rbind /dev "$root/dev"
cp /etc/resolv.conf "$root/etc/resolv.conf"
chroot "$root" /usr/bin/env -i PATH=/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin HOME=/root LANG=C.UTF-8 \
  /bin/bash -euo pipefail -c '
cd /src/xbtconv
apt-get update -qq
# The README: "each of these two commands stands on its own".
tools/install_dependencies.sh && cmake --workflow --preset release
cmake --install build/release --prefix /usr/local && ldconfig
useradd --system --home-dir /var/lib/xbt-relay xbt-relay
groupadd --system xbt-upload
groupadd --system xbt-gts
mkdir -p /var/spool/xbt-relay/inbox /var/spool/xbt-relay/outbox /var/lib/xbt-relay /etc/xbt-relay /var/log/xbt-relay
chown -R xbt-relay: /var/spool/xbt-relay /var/lib/xbt-relay /var/log/xbt-relay
chgrp xbt-upload /var/spool/xbt-relay/inbox && chmod 1770 /var/spool/xbt-relay/inbox
chgrp xbt-gts /var/spool/xbt-relay/outbox && chmod 2770 /var/spool/xbt-relay/outbox
cp examples/relay/relay.toml /etc/xbt-relay/
# The example refuses to start until the centre sets its own.
if runuser -u xbt-relay -- /usr/local/bin/xbt relay --config /etc/xbt-relay/relay.toml --once 2>err; then
  echo "the example configuration started"; exit 1
fi
grep -q "set cccc and centre in /etc/xbt-relay/relay.toml" err
sed -i "s/^cccc = .*/cccc = \"ZZZZ\"/; s/^centre = .*/centre = 255/" /etc/xbt-relay/relay.toml
cp examples/standard_two_meter.bin /var/spool/xbt-relay/inbox/new.bin.tmp
mv /var/spool/xbt-relay/inbox/new.bin.tmp /var/spool/xbt-relay/inbox/new.bin
# The cron line, as cron runs it (its user, the line after the user field).
line=$(grep -v "^#" examples/relay/xbt-relay.cron | cut -d" " -f7-)
runuser -u xbt-relay -- sh -c "$line --hold-older-than 0"
ls /var/spool/xbt-relay/outbox | grep -q "^A_IOS.01ZZZZ"
# The unit s command line, as systemd would run it, briefly.
exec_start=$(sed -n "s/^ExecStart=//p" examples/relay/xbt-relay.service)
cp examples/standard_full_resolution.bin /var/spool/xbt-relay/inbox/second.bin
runuser -u xbt-relay -- timeout -s TERM 5 $exec_start --hold-older-than 0 || [[ $? == 124 ]]
test -z "$(ls /var/spool/xbt-relay/inbox)" || { ls -la /var/spool/xbt-relay/inbox; exit 1; }
xbt relay status --config /etc/xbt-relay/relay.toml
echo "fresh Debian 12: built, installed, and the relay sent the examples"
'
