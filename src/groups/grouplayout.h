#pragma once

#include <QString>
#include <QtGlobal>

#include <vector>

// Where every record of a group image lies, computed from counts alone.
//
// Regions follow each other without gap: group table (15-byte records, only
// in the multi-group variants) at the start address, file table (26), frame
// table (8), XYRGB data (7 per vertex). Addresses are kept in 64 bits so that
// an image too large for its 32-bit fields is recognised instead of wrapping.
class GroupLayout
{
public:
    static constexpr int GroupRecordSize = 15;
    static constexpr int FileRecordSize = 26;
    static constexpr int FrameRecordSize = 8;
    static constexpr int VertexRecordSize = 7;

    // One file: the vertex count of each of its frames.
    using FileCounts = std::vector<quint32>;
    // One group: its exported files.
    using GroupCounts = std::vector<FileCounts>;

    GroupLayout() = default;
    // groups holds only exported groups (each with at least one file) and
    // exported files (each with at least one frame).
    GroupLayout(quint64 start, bool withGroupTable, std::vector<GroupCounts> groups);

    quint64 start() const { return m_start; }
    bool hasGroupTable() const { return m_withGroupTable; }
    quint64 fileTableStart() const { return m_fileTable; }
    quint64 frameTableStart() const { return m_frameTable; }
    quint64 xyrgbStart() const { return m_xyrgb; }
    // End of the XYRGB data: the image length before padding.
    quint64 end() const { return m_end; }

    int groupCount() const { return int(m_groups.size()); }
    int fileCount(int group) const { return int(m_groups[size_t(group)].size()); }
    int frameCount(int group, int file) const { return int(counts(group, file).size()); }
    quint32 vertexCount(int group, int file, int frame) const { return counts(group, file)[size_t(frame)]; }
    quint64 totalFiles() const { return m_totalFiles; }
    quint64 totalFrames() const { return m_totalFrames; }
    quint64 totalVertices() const { return m_totalVertices; }

    // Address of the group's first file record.
    quint64 fileRecordAddress(int group, int file = 0) const;
    // Address of the file's first frame record.
    quint64 frameRecordAddress(int group, int file, int frame = 0) const;
    // Address of the frame's first XYRGB record.
    quint64 vertexAddress(int group, int file, int frame) const;

    // Describes the first count or address that does not fit its field; empty
    // when the whole image can be written as laid out.
    QString overflowMessage() const;

    // Zero bytes to append so that the length becomes a multiple of 256, as
    // seen from the start address: (start - length) mod 256.
    static quint64 paddingFor(quint64 length, quint64 start);

private:
    const FileCounts &counts(int group, int file) const { return m_groups[size_t(group)][size_t(file)]; }
    size_t flatFile(int group, int file) const { return m_firstFileOfGroup[size_t(group)] + size_t(file); }

    quint64 m_start = 0;
    bool m_withGroupTable = false;
    std::vector<GroupCounts> m_groups;
    std::vector<size_t> m_firstFileOfGroup;  // index into the flat file list
    std::vector<quint64> m_framesBeforeFile; // per flat file
    std::vector<size_t> m_firstFrameOfFile;  // per flat file, index into m_verticesBeforeFrame
    std::vector<quint64> m_verticesBeforeFrame;
    quint64 m_totalFiles = 0;
    quint64 m_totalFrames = 0;
    quint64 m_totalVertices = 0;
    quint64 m_fileTable = 0;
    quint64 m_frameTable = 0;
    quint64 m_xyrgb = 0;
    quint64 m_end = 0;
};
