object frmData: TFuzzForm
  object img: TFuzzWidget
    Data = {
      0A54FF00424D
      3E000000}
    Lines.Strings = (
      'first'
      ''
      'it''s'
      #9'tab')
  end
  object TFuzzWidget
    Key = #65
  end
end
