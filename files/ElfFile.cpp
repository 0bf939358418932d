#include "files/FileFormats.h"

#include "core/HexText.h"

#include <libelf.h>

#include <QStringList>
#include <algorithm>
#include <cstring>
#include <memory>

namespace FileFormats {

namespace {

struct ElfCloser {
    void operator()(Elf* e) const { elf_end(e); }
};
using ElfHandle = std::unique_ptr<Elf, ElfCloser>;

QString Damaged(const QString& why)
{
    return QStringLiteral("The ELF file is damaged: %1. Nothing was loaded.").arg(why);
}

QString LibElfReason() { return QString::fromUtf8(elf_errmsg(-1)); }

// The names of the sections whose file bytes lie in a segment's, for the
// messages; empty when the file has no section table that can be read.
QString SectionNames(Elf* e, const Elf32_Phdr& p)
{
    size_t names = 0;
    if (elf_getshdrstrndx(e, &names) != 0)
        return {};
    QStringList found;
    for (Elf_Scn* scn = elf_nextscn(e, nullptr); scn; scn = elf_nextscn(e, scn)) {
        const Elf32_Shdr* where = elf32_getshdr(scn);
        Elf32_Shdr s;
        if (!where)
            continue;
        std::memcpy(&s, where, sizeof s);  // it may stand unaligned
        if (s.sh_type == SHT_NOBITS || s.sh_size == 0 || s.sh_offset < p.p_offset ||
            s.sh_offset >= uint64_t(p.p_offset) + p.p_filesz)
            continue;
        if (const char* name = elf_strptr(e, names, s.sh_name); name && *name)
            found << QString::fromUtf8(name);
    }
    return found.join(QLatin1Char(' '));
}

// One loadable segment: its bytes in the file and where they go.
struct Segment {
    int number;        // in the program header table, from 0
    uint64_t offset;   // in the file
    uint64_t address;  // physical (load) address of the first byte
    uint64_t size;     // bytes in the file
};

}  // namespace

bool IsElf(QByteArrayView head) { return head.startsWith("\x7f" "ELF"); }

LoadResult LoadElf(QByteArrayView data, Image& buffer, uint32_t fileAddress, uint32_t bufferAddress)
{
    auto refuse = [](const QString& text) { return LoadResult{text}; };
    if (elf_version(EV_CURRENT) == EV_NONE)
        return refuse(QStringLiteral("The ELF library cannot be used: %1.").arg(LibElfReason()));
    // The class and byte order are told from the identification itself, so
    // that a file of another kind is named as such.
    if (data.size() > EI_DATA) {
        const auto elfClass = uint8_t(data[EI_CLASS]), order = uint8_t(data[EI_DATA]);
        if (elfClass == ELFCLASS64)
            return refuse(QStringLiteral("The file is a 64-bit ELF file; Quirra loads 32-bit ELF files only. "
                                         "Nothing was loaded."));
        if (elfClass != ELFCLASS32)
            return refuse(Damaged(QStringLiteral("its class byte is %1, neither 32- nor 64-bit").arg(HexText::Hex2(elfClass))));
        if (order == ELFDATA2MSB)
            return refuse(QStringLiteral("The file is a big-endian ELF file; Quirra loads little-endian ELF files "
                                         "only. Nothing was loaded."));
        if (order != ELFDATA2LSB)
            return refuse(Damaged(QStringLiteral("its byte-order byte is %1").arg(HexText::Hex2(order))));
    }
    // libelf reads from memory it may keep pointers into; a copy of our own
    // lives as long as the handle.
    QByteArray copy(data.data(), data.size());
    const ElfHandle e(elf_memory(copy.data(), size_t(copy.size())));
    if (!e || elf_kind(e.get()) != ELF_K_ELF)
        return refuse(Damaged(QStringLiteral("its identification is cut short or not that of an ELF file")));
    if (!elf32_getehdr(e.get()))
        return refuse(Damaged(QStringLiteral("its header cannot be read (%1)").arg(LibElfReason())));
    size_t count = 0;
    if (elf_getphdrnum(e.get(), &count) != 0)
        return refuse(Damaged(QStringLiteral("its program header table cannot be read (%1)").arg(LibElfReason())));
    const Elf32_Phdr* table = count > 0 ? elf32_getphdr(e.get()) : nullptr;
    if (count > 0 && !table)
        return refuse(Damaged(QStringLiteral("its program header table cannot be read (%1)").arg(LibElfReason())));

    // Every segment is checked before a byte is placed: a file that does not
    // fit loads nothing.
    QList<Segment> segments;
    const uint64_t fileSize = uint64_t(data.size());
    for (size_t n = 0; n < count; ++n) {
        // libelf may hand out the table where it stands in the file, not
        // aligned for its type: each entry is copied out.
        Elf32_Phdr p;
        std::memcpy(&p, reinterpret_cast<const char*>(table) + n * sizeof p, sizeof p);
        if (p.p_type != PT_LOAD || p.p_filesz == 0)
            continue;
        const Segment s{int(n), p.p_offset, p.p_paddr, p.p_filesz};
        if (s.offset + s.size > fileSize)
            return refuse(Damaged(QStringLiteral("segment %1 takes file bytes %2 to %3, past its last byte %4")
                                      .arg(s.number)
                                      .arg(HexText::Hex(int64_t(s.offset)), HexText::Hex(int64_t(s.offset + s.size - 1)),
                                           HexText::Hex(int64_t(fileSize) - 1))));
        const uint64_t last = s.address + s.size - 1;
        // Bytes below fileAddress are skipped; the rest land at address + bufferAddress.
        if (last >= fileAddress && last + bufferAddress > uint64_t(modFunc::BufferLast)) {
            const QString sections = SectionNames(e.get(), p);
            return refuse(QStringLiteral("Segment %1%2 holds physical addresses %3 to %4, which land outside the "
                                         "Buffer (0 to %5). Nothing was loaded.")
                              .arg(s.number)
                              .arg(sections.isEmpty() ? QString() : QStringLiteral(" (%1)").arg(sections))
                              .arg(HexText::Hex(int64_t(s.address)), HexText::Hex(int64_t(last)),
                                   HexText::Hex(modFunc::BufferLast)));
        }
        segments << s;
    }
    if (segments.isEmpty())
        return refuse(QStringLiteral("The ELF file holds no loadable segment with bytes in the file (is it an "
                                     "object file that was not linked?). Nothing was loaded."));
    for (const Segment& s : segments) {
        const uint64_t skip = s.address >= fileAddress ? 0 : std::min<uint64_t>(fileAddress - s.address, s.size);
        if (skip < s.size)
            std::memcpy(buffer.data() + s.address + skip + bufferAddress, data.data() + s.offset + skip,
                        size_t(s.size - skip));
    }
    return {};
}

}  // namespace FileFormats
