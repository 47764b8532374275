inherited DoubleSimpleDm: TDoubleSimpleDm
  object tbfldSub: TKvTbField
    TbFields = <>
    XML.Strings = (
      '<?xml version="1.0" encoding="utf-8"?>'
      '<Table>'
      '  <Fields/>'
      '</Table>')
  end
  object mtblSub: TMemTableEh
    CachedUpdates = True
    StoreDefs = True
    AfterOpen = mtblSubAfterOpen
    BeforeDelete = mtblSubBeforeDelete
  end
  object dsSub: TDataSource
    DataSet = mtblSub
  end
  object mtblSubDelta: TMemTableEh
  end
end
