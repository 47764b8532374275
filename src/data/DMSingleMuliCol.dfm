inherited SingleMuliColDm: TSingleMuliColDm
  object tbfldMain: TKvTbField
    TbFields = <>
    XML.Strings = (
      '<?xml version="1.0" encoding="utf-8"?>'
      '<Table>'
      '  <Fields/>'
      '</Table>')
  end
  object mtblMain: TMemTableEh
    CachedUpdates = True
    StoreDefs = True
    AfterOpen = mtblMainAfterOpen
    BeforeDelete = mtblMainBeforeDelete
  end
  object dsMain: TDataSource
    DataSet = mtblMain
  end
  object mtblMainDelta: TMemTableEh
  end
end
