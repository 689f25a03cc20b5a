#!/bin/busybox sh
# The throwaway machine's /init. The kernel command line's stage=NAME picks what runs;
# every result goes to the console as a line starting with @@, then @@END.
/bin/busybox --install -s /bin
export PATH=/usr/bin:/bin
mount -t proc proc /proc
mount -t sysfs sys /sys
mount -t devtmpfs dev /dev
mount -t tmpfs tmp /tmp
insmod /efivarfs.ko
mount -t efivarfs efivarfs /sys/firmware/efi/efivars

GUID=74b00bd9-805a-4d61-b51f-43268123d113
V=/sys/firmware/efi/efivars/nvram-$GUID
DATA=bcm943241ipaagb_p100.bin

say() { echo "@@$*"; }
state() { if [ -e $V ]; then md5sum < $V | cut -c1-32; else echo absent; fi; }

# tool NAME DATA USER ARGS...: runs the tool in a fresh folder whose data file is
# /data/DATA, or one that is not what it seems: none, a folder, a dangling link, links to
# /dev/zero, to a sysfs file (reports 4096 bytes, delivers fewer) or to a sparse 5 GiB
# file, or a FIFO. Runs as root or nobody.
tool() {
    name=$1 data=$2 user=$3
    shift 3
    rm -rf /tmp/w && mkdir /tmp/w
    case $data in
        none) ;;
        dir) mkdir /tmp/w/$DATA ;;
        dangling) ln -s /tmp/w/no-such-file /tmp/w/$DATA ;;
        devzero) ln -s /dev/zero /tmp/w/$DATA ;;
        sysfs) ln -s /sys/devices/system/cpu/online /tmp/w/$DATA ;;
        huge) truncate -s 5G /tmp/w/huge && ln -s /tmp/w/huge /tmp/w/$DATA ;;
        fifo) mkfifo /tmp/w/$DATA ;;
        *) cp /data/$data /tmp/w/$DATA ;;
    esac
    chmod -R a+rX /tmp/w
    before=$(state)
    if [ "$user" = nobody ]; then
        # Only plain arguments are given here: the shell command line carries them.
        su -s /bin/sh nobody -c "cd /tmp/w && exec wlan-nvram $*"
    else
        (cd /tmp/w && wlan-nvram "$@")
    fi
    rc=$?
    say "CASE $name rc=$rc before=$before after=$(state)"
}

hex() { if [ -e $V ]; then say "HEX $1 $(xxd -p $V | tr -d '\n')"; else say "HEX $1 absent"; fi; }

efivar_read() {
    efivar -n $GUID-nvram -p > /tmp/efivar.out 2>&1
    say "EFIVAR_READ $1 rc=$?"
    sed 's/^/@@EFIVAR /' /tmp/efivar.out
    say "EFIVAR_DONE $1"
}

efivar_write() {
    efivar -n $GUID-nvram -w -f /data/$2
    say "EFIVAR_WRITE $1 rc=$?"
}

case $stage in
first)
    tool absent_verify image root /Verify
    tool nopriv_write image nobody
    tool nopriv_verify image nobody /Verify
    tool write image root
    hex after_write
    tool verify image root /Verify
    tool verify_dash_upper image root -VERIFY
    tool verify_lower image root /verify
    efivar_read after_write
    tool nopriv_write_existing other nobody
    tool nopriv_verify_existing image nobody /Verify
    tool one_byte_differs image_flipped root /Verify
    tool no_data_file none root
    tool no_data_file_verify none root /Verify
    tool data_folder dir root
    tool data_too_long image_4097 root
    tool data_too_long_verify image_4097 root -verify
    tool dangling_link dangling root
    tool link_to_dev_zero devzero root
    tool fifo fifo root
    tool shrinks_while_read sysfs root
    tool shrinks_while_read_verify sysfs root /Verify
    tool link_to_huge_file huge root
    tool two_arguments image root /Verify /Verify
    tool not_the_switch image root Verify
    tool short_switch image root /Verif
    tool trailing_colon image root /Verify:
    tool lone_slash image root /
    tool empty_argument image root ""
    tool unconvertible_argument image root "$(printf '/\377Verify')"
    tool long_argument image root /Verifyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyy
    tool write_small_long small_long root
    tool longer_variable small root /Verify
    tool write_small small root
    tool shorter_variable small_long root /Verify
    efivar_write by_efivar other
    tool verify_efivar_written other root /Verify
    hex after_efivar_write
    efivar_write larger_than_capacity big
    tool larger_than_capacity image root /Verify
    tool write_empty empty root
    tool verify_empty_absent empty root /Verify
    tool delete_absent empty root
    umount /sys/firmware/efi/efivars
    tool no_efivarfs_write image root
    tool no_efivarfs_verify image root /Verify
    mount -t efivarfs efivarfs /sys/firmware/efi/efivars
    tool write_final image root
    hex before_reboot
    ;;
second)
    hex after_reboot
    tool verify_after_reboot image root /Verify
    efivar_read after_reboot
    ;;
demo1)
    tool write sample root
    tool verify sample root /Verify
    ;;
demo2)
    tool verify_after_reboot sample root /Verify
    tool verify_changed sample_changed root /Verify
    ;;
bench)
    mkdir -p /tmp/b && cp /data/image /tmp/b/$DATA && cd /tmp/b
    say "BENCH tool_write $(bench-runs $runs wlan-nvram)"
    say "BENCH tool_verify $(bench-runs $runs wlan-nvram /Verify)"
    say "BENCH efivar_write $(bench-runs $runs efivar -n $GUID-nvram -w -f /data/image)"
    say "BENCH efivar_read $(bench-runs $runs efivar -n $GUID-nvram -p)"
    strace -f -o /tmp/trace wlan-nvram /Verify
    say "TRACE rc=$?"
    sed 's/^/@@STRACE /' /tmp/trace
    ;;
esac
say END
poweroff -f
