#include "grouplayout.h"

GroupLayout::GroupLayout(quint64 start, bool withGroupTable, std::vector<GroupCounts> groups)
    : m_start(start), m_withGroupTable(withGroupTable), m_groups(std::move(groups))
{
    for (const GroupCounts &g : m_groups) {
        m_firstFileOfGroup.push_back(size_t(m_totalFiles));
        for (const FileCounts &f : g) {
            m_framesBeforeFile.push_back(m_totalFrames);
            m_firstFrameOfFile.push_back(m_verticesBeforeFrame.size());
            for (quint32 n : f) {
                m_verticesBeforeFrame.push_back(m_totalVertices);
                m_totalVertices += n;
            }
            m_totalFrames += f.size();
            ++m_totalFiles;
        }
    }
    const quint64 groupRecords = m_withGroupTable ? m_groups.size() : 0;
    m_fileTable = m_start + GroupRecordSize * groupRecords;
    m_frameTable = m_fileTable + FileRecordSize * m_totalFiles;
    m_xyrgb = m_frameTable + FrameRecordSize * m_totalFrames;
    m_end = m_xyrgb + VertexRecordSize * m_totalVertices;
}

quint64 GroupLayout::fileRecordAddress(int group, int file) const
{
    return m_fileTable + FileRecordSize * quint64(flatFile(group, file));
}

quint64 GroupLayout::frameRecordAddress(int group, int file, int frame) const
{
    return m_frameTable + FrameRecordSize * (m_framesBeforeFile[flatFile(group, file)] + quint64(frame));
}

quint64 GroupLayout::vertexAddress(int group, int file, int frame) const
{
    const size_t f = m_firstFrameOfFile[flatFile(group, file)] + size_t(frame);
    return m_xyrgb + VertexRecordSize * m_verticesBeforeFrame[f];
}

QString GroupLayout::overflowMessage() const
{
    if (m_withGroupTable && m_groups.size() > 255)
        return QStringLiteral("%1 groups to export; a group image holds at most 255").arg(m_groups.size());
    for (size_t g = 0; g < m_groups.size(); ++g) {
        const GroupCounts &files = m_groups[g];
        if (files.size() > 255)
            return QStringLiteral("group %1 has %2 files to export; a group holds at most 255")
                .arg(g)
                .arg(files.size());
        for (size_t f = 0; f < files.size(); ++f) {
            if (files[f].size() > 65535)
                return QStringLiteral("file %1 of group %2 has %3 frames; a file holds at most 65535")
                    .arg(f)
                    .arg(g)
                    .arg(files[f].size());
            for (size_t k = 0; k < files[f].size(); ++k)
                if (files[f][k] > 65535)
                    return QStringLiteral("frame %1 of file %2 of group %3 has %4 points; a frame holds at most 65535")
                        .arg(k)
                        .arg(f)
                        .arg(g)
                        .arg(files[f][k]);
        }
    }
    if (m_end > 0xFFFFFFFFull)
        return QStringLiteral("the image would be %1 bytes long; addresses end at 4294967295").arg(m_end);
    return QString();
}

quint64 GroupLayout::paddingFor(quint64 length, quint64 start)
{
    return (start - length) & 0xFF;
}
